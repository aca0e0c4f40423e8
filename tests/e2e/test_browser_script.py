"""The browser script that SetupLumora writes, run as the browser would run it: Wine's JScript
engine (cscript) runs the script part of the installed Lumora.htm after a few lines that stand
in for the browser's objects. The script copies the selection to the clipboard and starts the
Lumora.exe it names, whose status box must then hold the selection. For each folder the
registry value, once merged, names that very script."""

import os
import unittest

import harness
from fixture import YOUR_TWEET
from test_installer import InstallerDriving, read

# Under the 140 characters Lumora keeps; an accent the ANSI code page holds and characters it
# does not, to follow the text through the clipboard.
SELECTION = "Caf\u00e9 news \u2713 \u7a0b\u5e8f from a page"

# The browser's objects as far as the script uses them. The clipboard is the real one, reached
# through the test driver; the selection is given as \uXXXX escapes, so the file stays ASCII.
STAND_INS = r"""
var standInDriver = "%(driver)s";
var window = {
  external: { menuArguments: { document: { selection: {
    createRange: function () { return { text: "%(selection)s" }; } } } } },
  clipboardData: {
    setData: function (format, text) {
      if (format != "Text") throw new Error("clipboard format " + format);
      var hex = "";
      for (var i = 0; i < text.length; i++) {
        var unit = text.charCodeAt(i);
        hex += ((unit & 0xFF) + 0x100).toString(16).substr(1);
        hex += ((unit >> 8) + 0x100).toString(16).substr(1);
      }
      var shell = new ActiveXObject("WScript.Shell");
      var code = shell.Run('"' + standInDriver + '" set_clipboard x:' + hex, 0, true);
      if (code != 0) throw new Error("the driver could not set the clipboard: " + code);
      return true;
    }
  },
  close: function () {}
};
"""


def js_escaped(text):
    return "".join(c if 0x20 <= ord(c) < 0x7F and c not in '"\\' else "\\u%04X" % ord(c)
                   for c in text)


def script_part(page):
    """The bytes between the line that opens the script element and the line that closes it."""
    lines = page.split(b"\r\n")
    start = next(i for i, l in enumerate(lines) if l.lstrip().startswith(b"<script"))
    end = next(i for i, l in enumerate(lines) if l.strip() == b"</script>")
    return b"\r\n".join(lines[start + 1:end]) + b"\r\n"


class BrowserScriptTest(InstallerDriving):
    def run_browser_script(self, root, page):
        """Runs the page's script in JScript with ProgramFiles=root (as Lumora will see it) and
        returns the handle of the Lumora window it started."""
        stand_ins = STAND_INS % {"driver": harness.windows_path(harness.driver_exe())
                                 .replace("\\", "\\\\"),
                                 "selection": js_escaped(SELECTION)}
        script = self.s.temp_file(".js")
        with open(script, "wb") as f:
            f.write(stand_ins.encode("ascii") + script_part(page))
        # Text, not an empty clipboard, beforehand: Wine's clipboard keeps in step with X11's,
        # and the emptying may still be on its way through that when the script sets the
        # selection (under emulation often so), which then empties it again.
        self.s.set_clipboard("Before the script")
        host = self.s.start("C:\\windows\\system32\\cscript.exe",
                            args=["//nologo", harness.windows_path(script)],
                            env={"ProgramFiles": root})
        self.assertEqual(host.wait_exit(30), 0, "the script failed")
        hwnd = self.s.wait_window(cls="LumoraMain", timeout=20)
        self.assertIsNotNone(hwnd, "the script started no Lumora")
        self.addCleanup(self.s.driver, "kill", str(self.s.info(hwnd)["pid"]))
        return hwnd

    def check_folder(self, root):
        folder = self.install_and_register(root)
        page = read(os.path.join(folder, "Lumora.htm"))
        hwnd = self.run_browser_script(root, page)
        # The window first: reading the clipboard from here while Lumora starts would hold it
        # open just when Lumora reads it.
        self.assertTrue(harness.wait_until(lambda: self.s.get_text(hwnd, YOUR_TWEET) == SELECTION,
                                           10), self.s.get_text(hwnd, YOUR_TWEET))
        self.assertEqual(self.s.get_clipboard(), SELECTION)
        return page

    def test_usual_folder(self):
        self.check_folder("C:\\Program Files")

    def test_program_files_x86(self):
        root = "C:\\Program Files (x86)"
        # A 32-bit prefix is 32-bit Windows, which has no such folder: made here, so the name
        # with brackets is still followed from the installer to the started program.
        os.makedirs(self.s.unix_path(root), exist_ok=True)
        self.check_folder(root)

    def test_folder_outside_the_ansi_code_page(self):
        root = "C:\\Programmes \u2713 \u7a0b\u5e8f"
        os.makedirs(self.s.unix_path(root), exist_ok=True)
        page = self.check_folder(root)
        self.assertIn(b"Programmes \\u2713 \\u7A0B\\u5E8F", page)
        self.assertEqual(read(os.path.join(self.folder(root), "Lumora.Reg"))[:2], b"\xff\xfe")


if __name__ == "__main__":
    unittest.main()
