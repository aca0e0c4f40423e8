#!/usr/bin/env python3
"""Checks that what README.md and CONTRIBUTING.md name still exists, so they cannot go stale
silently: repository paths, build outputs, the commands in their shell blocks (scripts, presets,
targets, test names, script options, variables), registry keys and the program's own texts that
the README quotes. Standard library only.

    python3 tests/docs/check_docs.py          (ctest runs it as the test `docs`)

What a document may name, and how it is checked:
- a path inside the repository (`tests/e2e`, `poster/web/`, a link or picture): it exists;
  a file name alone (`harness.py`): a file of that name exists somewhere in the tree;
- a build output (`build/win32/poster/Lumora.exe`): `build/win32` is a preset's build tree and
  `poster/CMakeLists.txt` defines the target `Lumora`; any other file under `build/` is named by
  one of the scripts that write it;
- a shell line in a ```sh block: each program exists (a script of the repository, executable,
  or a program on PATH); `cd` goes to a folder that exists; `cmake --preset`, `--build`,
  `--target` and `-D` name a preset, a build tree, a target and a setting of the build;
  `ctest -R` matches a test; `python3 script --option` names an option the script reads;
  `python3 -m unittest` names suites that exist; a `NAME=value` names a variable the tree reads;
- `LUMORA_...` and other upper-case names with an underscore occur in the tree;
- a registry key (`HKEY_CURRENT_USER\\...`, `HKCU\\...`) occurs in the programs' sources;
- a text in straight double quotes in the README is one of the programs' own texts, word for
  word: the README keeps straight quotes for those;
- the platform/ entry of the README's folder listing names every header in platform/.
Paths outside the repository (`../...`), Windows paths and ```bat blocks are not checked here:
the removal commands run under Wine in tests/e2e/test_removal.py.
"""

import fnmatch
import glob
import json
import os
import re
import shlex
import shutil
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DOCUMENTS = ("README.md", "CONTRIBUTING.md")
# Folders whose files are the programs; their string literals are what the README may quote.
PRODUCT_FOLDERS = ("poster", "installer", "platform")
SOURCE_SUFFIXES = (".cpp", ".h", ".in", ".rc", ".py", ".sh", ".txt", ".cmake", ".json")
SELF = os.path.join("tests", "docs") + os.sep
PATH_SUFFIXES = (".py", ".sh", ".cpp", ".h", ".md", ".json", ".txt", ".cmake", ".png", ".bmp",
                 ".ico", ".rc", ".manifest", ".in")


def _walk(root):
    """Repository files (relative paths), without build trees and version control."""
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        dirs[:] = [d for d in dirs if not (rel == "." and d in ("build", ".git"))
                   and not d.startswith(".") and d != "__pycache__"]
        for name in files:
            yield os.path.normpath(os.path.join(rel, name))


def _read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def _literal_text(source):
    """Source text with adjacent string literals joined and the common escapes read, so a
    program text split over several lines of C++ is found whole."""
    joined = re.sub(r'"\s*\n\s*(?:u|L|u8)?"', "", source)
    return joined.replace('\\"', '"').replace("\\\\", "\\").replace("\\n", "\n")


class Tree:
    """What the repository holds, gathered once."""

    def __init__(self, root):
        self.root = root
        self.files = sorted(_walk(root))
        self.basenames = {os.path.basename(f) for f in self.files}
        # This checker names stale things on purpose; it is no evidence that they exist.
        self.sources = {f: _read(os.path.join(root, f)) for f in self.files
                        if f.endswith(SOURCE_SUFFIXES) and not f.startswith(SELF)}
        self.sources_not_docs = "\n".join(self.sources.values())
        self.product_text = "\n".join(
            _literal_text(text) for f, text in self.sources.items()
            if f.split(os.sep)[0] in PRODUCT_FOLDERS and f.endswith((".cpp", ".h", ".in", ".rc")))
        self.cmake_text = "\n".join(text for f, text in self.sources.items()
                                    if f.endswith(("CMakeLists.txt", ".cmake")))
        presets = json.loads(_read(os.path.join(root, "CMakePresets.json")))
        self.configure_presets = {p["name"]: p for p in presets.get("configurePresets", [])}
        self.test_presets = {p["name"] for p in presets.get("testPresets", [])}
        self.build_trees = {
            os.path.normpath(p["binaryDir"].replace("${sourceDir}/", ""))
            for p in self.configure_presets.values() if "binaryDir" in p}
        self.test_names = self._test_names()

    def targets_in(self, folder):
        text = self.sources.get(os.path.normpath(os.path.join(folder, "CMakeLists.txt")), "")
        return set(re.findall(r"add_(?:executable|library|custom_target)\(\s*([\w.-]+)", text))

    def all_targets(self):
        return set(re.findall(r"add_(?:executable|library|custom_target)\(\s*([\w.-]+)",
                              self.cmake_text))

    def _test_names(self):
        """The names ctest knows, as the build registers them."""
        names = set()
        for f, text in self.sources.items():
            if f.endswith("_test.cpp"):
                for suite, name in re.findall(r"\bTEST(?:_F|_P)?\(\s*(\w+)\s*,\s*(\w+)", text):
                    names.add(suite + "." + name)
        for text in (self.sources.get(os.path.join("tests", "CMakeLists.txt"), ""),
                     self.cmake_text):
            names.update(re.findall(r"add_test\(\s*NAME\s+([\w.-]+)", text))
            if re.search(r"file\(GLOB \w+ [^)]*/e2e/test_\*\.py\)", text):
                suites = glob.glob(os.path.join(self.root, "tests", "e2e", "test_*.py"))
                names.update(p + os.path.basename(f)[len("test_"):-len(".py")]
                             for f in suites for p in ("e2e_", "e2e32_"))
        return names

    def exists(self, rel):
        return os.path.exists(os.path.join(self.root, rel))


class Checker:
    def __init__(self, tree):
        self.tree = tree
        self.problems = []

    def check(self, name, text):
        self.doc = name
        in_block, language = False, ""
        paragraph = []  # (line number, text): quotes may run over a line break
        continued = ""  # a shell line that ends in a backslash goes on in the next
        for number, line in enumerate(text.splitlines() + [""], 1):
            self.line = number
            fence = re.match(r"^\s*```\s*(\w*)", line)
            starts_item = re.match(r"^\s*([-*|#]|\d+\.)\s", line)
            if fence or in_block or not line.strip() or starts_item:
                self._quotes(paragraph, name == "README.md")
                paragraph = []
            if fence:
                in_block, language = not in_block, fence.group(1)
            elif in_block:
                if language == "sh":
                    continued += line
                    if continued.endswith("\\"):
                        continued = continued[:-1] + " "
                        continue
                    self._shell_line(continued)
                    continued = ""
                elif language == "":
                    self._tree_line(line)
            elif line.strip():
                self._prose_line(line)
                paragraph.append((number, line))
        return self.problems

    def _report(self, message):
        self.problems.append("%s:%d: %s" % (self.doc, self.line, message))

    # --- prose ------------------------------------------------------------------------------

    def _prose_line(self, line):
        for target in re.findall(r"\]\(([^)\s]+)\)", line):
            if not re.match(r"^[a-z]+://|^#|^mailto:", target):
                self._path(target.split("#")[0])
        for span in re.findall(r"`([^`]+)`", line):
            self._span(span)

    def _quotes(self, paragraph, wanted):
        if not wanted or not paragraph:
            return
        self.line = paragraph[0][0]
        plain = re.sub(r"`[^`]*`", "", " ".join(text.strip() for _, text in paragraph))
        for quoted in re.findall(r'"([^"]{4,})"', plain):
            if quoted not in self.tree.product_text:
                self._report('"%s" is not a text of the programs' % quoted)

    def _span(self, span):
        span = span.strip()
        if re.match(r"^(HKEY_[A-Z_]+|HKCU|HKLM)\\", span):
            key = span.split("\\", 1)[1].rstrip("\\]")
            if key not in self.tree.product_text:
                self._report("registry key %s is not in the programs' sources" % span)
        elif re.match(r"^e2e(32)?_\w+$", span):
            if span not in self.tree.test_names:
                self._report("no test %s" % span)
        elif re.match(r"^[A-Z][A-Z0-9]*_[A-Z0-9_]+$", span):
            self._variable(span)
        elif re.match(r"^(scripts|tests|build|python3|cmake|ctest|clang-format|cd) ", span + " ") \
                and " " in span:
            self._shell_line(span)
        elif self._looks_like_path(span):
            self._path(span)

    def _tree_line(self, line):
        # A folder listing: each entry starts its line; indented lines continue its description.
        first = line.split()[0] if line.strip() and not line[0].isspace() else ""
        if "/" in first:
            self._path(first)

    @staticmethod
    def _looks_like_path(word):
        if re.search(r"[\s\\:<>%$\"',;]|://|^-|^\.\.?/?$", word):
            return False
        if re.match(r"^(application|text|image|multipart)/", word):
            return False  # a media type
        if "/" in word:
            return bool(re.match(r"^[\w.*-]+(/[\w.*-]*)+$", word))
        return word.endswith(PATH_SUFFIXES) and bool(re.match(r"^[\w.-]+$", word))

    def _variable(self, name):
        if not re.search(r"\b%s\b" % re.escape(name), self.tree.sources_not_docs):
            self._report("%s is not used anywhere in the tree" % name)

    # --- paths ------------------------------------------------------------------------------

    def _path(self, path, cwd="."):
        if path.startswith("../") and cwd == ".":
            return  # outside the repository
        rel = os.path.normpath(os.path.join(cwd, path))
        if rel.startswith(".."):
            return
        if rel.split(os.sep)[0] == "build":
            self._build_path(rel)
        elif "*" in rel:
            if not any(fnmatch.fnmatch(f, rel) for f in self.tree.files):
                self._report("%s matches no file" % path)
        elif "/" not in path and cwd == ".":
            if path not in self.tree.basenames and not self.tree.exists(rel):
                self._report("no file named %s" % path)
        elif not self.tree.exists(rel):
            self._report("%s does not exist" % path)

    def _build_path(self, rel):
        parts = rel.split(os.sep)
        tree = os.path.join(*parts[:2]) if len(parts) >= 2 else rel
        if tree in self.tree.build_trees:
            if len(parts) == 2:
                return
            folder = os.path.join(*parts[2:-1]) if len(parts) > 3 else "."
            stem = os.path.splitext(parts[-1])[0]
            if stem not in self.tree.targets_in(folder):
                self._report("no target %s in %s/CMakeLists.txt for %s"
                             % (stem, folder, "/".join(parts)))
            return
        name = parts[-1]
        if not any(name in text for f, text in self.tree.sources.items()
                   if f.startswith("scripts" + os.sep)):
            self._report("%s is written by no script" % "/".join(parts))

    # --- shell ------------------------------------------------------------------------------

    def _shell_line(self, line):
        line = re.sub(r"(^|\s)#.*$", "", line).strip()
        if not line:
            return
        cwd = "."
        for command in re.split(r"\s*(?:&&|\|\||;|\|)\s*", line):
            if command.startswith("("):  # a subshell: its cd ends with it
                command, cwd = command[1:], "."
            command = command.rstrip(")")
            try:
                words = shlex.split(command)
            except ValueError:
                self._report("cannot read the shell command: %s" % command)
                continue
            cwd = self._command(words, cwd)

    def _expand(self, word, cwd):
        return word.replace("$PWD", os.path.join("$ROOT", cwd)).replace("$ROOT/", "")

    def _command(self, words, cwd):
        while words and re.match(r"^[A-Za-z_][A-Za-z0-9_]*=", words[0]):
            name, value = words[0].split("=", 1)
            self._variable(name)
            value = self._expand(value, cwd)
            if "/" in value and not value.startswith(("/", "$", "http")):
                self._path(os.path.normpath(value), ".")
            words = words[1:]
        while words and words[0] in ("sudo", "time", "env", "exec"):
            words = words[1:]
        if not words:
            return cwd
        program, args = words[0], words[1:]
        if program == "cd":
            target = os.path.normpath(os.path.join(cwd, args[0] if args else "."))
            if not os.path.isdir(os.path.join(self.tree.root, target)):
                self._report("cd %s: no such folder" % args[0])
            return target
        if "/" in program:
            rel = os.path.normpath(os.path.join(cwd, program))
            if rel.split(os.sep)[0] == "build":
                self._build_path(rel)
            elif not os.access(os.path.join(self.tree.root, rel), os.X_OK):
                self._report("%s is not an executable file of the repository" % program)
        elif shutil.which(program) is None:
            self._report("program %s is not installed (scripts/install_deps.sh)" % program)
        handler = {"python3": self._python, "cmake": self._cmake, "ctest": self._ctest}.get(program)
        if handler:
            handler(args, cwd)
        elif "/" in program and program.endswith((".py", ".sh")):
            self._options(os.path.normpath(os.path.join(cwd, program)), args)
        for arg in args:
            expanded = self._expand(arg, cwd)
            if "/" in expanded and self._looks_like_path(expanded):
                self._path(expanded, "." if "$PWD" in arg else cwd)
        return cwd

    def _options(self, script, args):
        text = self.tree.sources.get(script, "")
        if script.endswith(".sh"):
            # A shell wrapper hands its options on to the Python script it runs.
            for called in re.findall(r"python3\s+(\S+\.py)", text):
                text += self.tree.sources.get(os.path.normpath(called.replace('"', "")), "")
        for arg in args:
            option = arg.split("=")[0]
            if option.startswith("--") and '"%s"' % option not in text:
                self._report("%s reads no option %s" % (script, option))

    def _python(self, args, cwd):
        if args[:2] == ["-m", "unittest"]:
            for arg in args[2:]:
                if not arg.startswith("-"):
                    module = arg.split(".")[0]
                    if not self.tree.exists(os.path.join(cwd, module + ".py")):
                        self._report("no test module %s.py in %s" % (module, cwd))
        elif args and not args[0].startswith("-"):
            script = os.path.normpath(os.path.join(cwd, args[0]))
            if not self.tree.exists(script):
                self._report("%s does not exist" % args[0])
            else:
                self._options(script, args[1:])

    def _tree_dir(self, arg, cwd):
        rel = os.path.normpath(os.path.join(cwd, self._expand(arg, cwd)))
        if rel not in self.tree.build_trees:
            self._report("%s is not the build tree of any preset" % arg)

    def _cmake(self, args, cwd):
        for i, arg in enumerate(args):
            value = args[i + 1] if i + 1 < len(args) else ""
            if arg == "--preset" and value not in self.tree.configure_presets:
                self._report("no configure preset %s" % value)
            elif arg == "--build":
                self._tree_dir(value, cwd)
            elif arg == "--target":
                for target in args[i + 1:]:
                    if target.startswith("-"):
                        break
                    if target not in self.tree.all_targets():
                        self._report("no target %s" % target)
            elif arg.startswith("-D"):
                setting = arg[2:].split("=")[0].split(":")[0]
                if not re.search(r"\b%s\b" % re.escape(setting), self.tree.cmake_text):
                    self._report("the build has no setting %s" % setting)

    def _ctest(self, args, cwd):
        for i, arg in enumerate(args):
            value = args[i + 1] if i + 1 < len(args) else ""
            if arg == "--test-dir":
                self._tree_dir(value, cwd)
            elif arg == "--preset" and value not in self.tree.test_presets:
                self._report("no test preset %s" % value)
            elif arg == "-R":
                if not any(re.search(value, n) for n in self.tree.test_names):
                    self._report("ctest -R %s matches no test" % value)


def unlisted_seams(tree, readme):
    """The headers of platform/ that the README's folder listing does not name."""
    listing = re.search(r"^platform/ .*?(?=^\S)", readme, re.M | re.S)
    words = set(re.findall(r"[\w]+", listing.group(0))) if listing else set()
    return ["README.md: the platform/ entry does not name %s" % os.path.basename(f)[:-2]
            for f in tree.files
            if os.path.dirname(f) == "platform" and f.endswith(".h")
            and os.path.basename(f)[:-2] not in words]


def check_documents(root=ROOT):
    tree = Tree(root)
    problems = []
    for name in DOCUMENTS:
        problems += Checker(tree).check(name, _read(os.path.join(root, name)))
    return problems + unlisted_seams(tree, _read(os.path.join(root, "README.md")))


class DocumentsTest(unittest.TestCase):
    def test_everything_the_documents_name_exists(self):
        problems = check_documents()
        self.assertEqual(problems, [], "\n" + "\n".join(problems))


class CheckerTest(unittest.TestCase):
    """The checker itself: each kind of stale reference is caught, and live ones pass."""

    @classmethod
    def setUpClass(cls):
        cls.tree = Tree(ROOT)

    def problems(self, text, name="README.md"):
        return Checker(self.tree).check(name, text)

    def test_live_references_pass(self):
        text = "\n".join([
            "See `tests/e2e`, `e2e_web`, `harness.py`, `build/win32/poster/Lumora.exe`,",
            "`LUMORA_BUILD`.",
            "![window](docs/lumora-window.png)",
            "```sh",
            "cmake --preset linux -DLUMORA_WIN64_DIR=$PWD/build/win64 && cmake --build build/linux",
            "ctest --test-dir build/linux -R StatusUpdate   # one suite",
            "(cd tests/e2e && LUMORA_BUILD=$PWD/../../build/win64 python3 -m unittest -v \\",
            "  test_web.WebTest)",
            "scripts/run.sh --headless --screenshot docs/lumora-window.png",
            "python3 tests/standin/lumora_standin.py --port 8080 --account demo:secret",
            "```",
            'A second start says "This program is already running."',
        ])
        self.assertEqual(self.problems(text), [])

    def test_each_kind_of_stale_reference_is_reported(self):
        text = "\n".join([
            "`tests/gone`, `e2e_gone`, `nothing_here.py`, `build/win32/poster/Gone.exe`,",
            "`LUMORA_NOWHERE`",
            "`HKEY_CURRENT_USER\\Software\\Nobody\\Lumora` ![x](docs/gone.png)",
            "```sh",
            "scripts/gone.sh",
            "cmake --preset nowhere -DLUMORA_NO_SETTING=1 && cmake --build build/elsewhere",
            "cmake --build build/win64 --target NoSuchTarget",
            "ctest --test-dir build/linux -R NoSuchSuiteAnywhere",
            "cd tests/e2e && python3 -m unittest test_gone",
            "python3 tests/standin/lumora_standin.py --no-such-option",
            "```",
            'Lumora says "This program is not running at all."',
        ])
        found = "\n".join(self.problems(text))
        for expected in ["tests/gone", "e2e_gone", "nothing_here.py", "Gone", "LUMORA_NOWHERE",
                         "Nobody", "docs/gone.png", "scripts/gone.sh", "preset nowhere",
                         "LUMORA_NO_SETTING", "build/elsewhere", "NoSuchTarget",
                         "NoSuchSuiteAnywhere", "test_gone", "--no-such-option",
                         "not running at all"]:
            self.assertIn(expected, found)

    def test_a_seam_missing_from_the_folder_listing_is_reported(self):
        listing = "```\nplatform/    the seams: clipboard, http\nposter/   the window\n```\n"
        missing = unlisted_seams(self.tree, listing)
        self.assertIn("README.md: the platform/ entry does not name message_box", missing)
        self.assertNotIn("README.md: the platform/ entry does not name clipboard", missing)

    def test_quotes_are_program_texts_only_in_the_readme(self):
        self.assertEqual(self.problems('Say "something else entirely".', "CONTRIBUTING.md"), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + ["-v"] + sys.argv[1:])
