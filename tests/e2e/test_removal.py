"""The README's removal commands, run as written in Wine's Command Prompt after a real
installation: they take away the menu entry, the service addresses, the Kestrova folders and
the VirtualStore copies, and nothing beside them."""

import os
import re
import subprocess
import unittest

import harness
from fixture import WineCase

README = os.path.join(harness.REPO, "README.md")
MENU = r"HKCU\Software\Microsoft\Internet Explorer\MenuExt"
CLASSES = r"HKCU\Software\Classes"
MAKER = r"HKCU\Software\Kestrova"
BUTTON = 201
CLOSING_TITLE = "THANK YOU - REGISTRY UPDATED?"
X86 = "C:\\Program Files (x86)"


def removal_blocks():
    """The command blocks of the README's "Removing Lumora" section, in order, as lines."""
    with open(README, encoding="utf-8") as f:
        text = f.read()
    section = text.split("## Removing Lumora", 1)[1].split("\n## ", 1)[0]
    return [[line.strip() for line in block.splitlines() if line.strip()]
            for block in re.findall(r"```bat\n(.*?)```", section, re.S)]


class RemovalTest(WineCase):
    required = (harness.lumora_exe(), harness.setup_exe())

    def install(self, program_files, press_button):
        """Runs SetupLumora with that Program Files, then Lumora once, which creates the two
        credential files (an empty clipboard ends it silently)."""
        env = {"ProgramFiles": program_files}
        setup = self.s.start(harness.setup_exe(), env=env)
        hwnd = self.s.wait_window(cls="SetupLumoraForm", timeout=30)
        self.assertTrue(hwnd, "the installer window did not open")
        if press_button:
            self.s.click(hwnd, BUTTON)
            box = self.s.wait_message_box(title=CLOSING_TITLE, timeout=30)
            self.assertIsNotNone(box, "no closing message")
            self.s.dismiss_message_box(box[0])
        else:
            self.s.close(hwnd)
        self.assertIsNotNone(setup.wait_exit(15), "the installer did not end")
        self.s.clear_clipboard()
        self.assertIsNotNone(self.s.start(harness.lumora_exe(), env=env).wait_exit(30))

    def write(self, windows_path, content=b"x\r\n"):
        path = self.s.unix_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content)
        return path

    def run_in_command_prompt(self, lines):
        """Types the lines into Wine's cmd as into a Command Prompt window (so a variable that
        is not set stays as written, as it does there); returns what it printed."""
        script = self.s.temp_file(".txt")
        with open(script, "w", newline="") as f:
            f.write("".join(line + "\r\n" for line in lines))
        output = self.s.temp_file(".out")
        with open(script, "rb") as typed, open(output, "wb") as out:
            subprocess.run([harness.WINE, "cmd"], env=self.s.env, stdin=typed, stdout=out,
                           stderr=subprocess.STDOUT, cwd=self.s.c_drive, timeout=120)
        with open(output, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def test_the_readme_commands_remove_lumora_and_nothing_else(self):
        blocks = removal_blocks()
        self.assertEqual(len(blocks), 2, "the README's removal section lost a command block")
        local = self.s.wine("cmd", "/c", "echo", "%LOCALAPPDATA%").stdout.strip().strip('"')
        store = local + "\\VirtualStore"

        # A 32-bit prefix is 32-bit Windows: one Program Files, no ProgramFiles(x86), so the
        # first line of the second block finds nothing there.
        # On 64-bit Windows: the 32-bit Lumora in (x86), and the 64-bit build in the usual folder.
        roots = ["C:\\Program Files"]
        if harness.WINEARCH != "win32":
            roots.insert(0, X86)
        for root in roots:
            self.install(root, press_button=root == roots[0])
        # Wine does not redirect writes into Program Files: make the copies Windows would.
        stores = [store + "\\" + r[len("C:\\"):] for r in roots]
        copies = [self.write(stores[0] + "\\Kestrova\\UN.DAT", b"demo\r\n"),
                  self.write(stores[-1] + "\\Kestrova\\PW.DAT", b"secret\r\n")]
        neighbours = [self.write(r + "\\Other\\keep.txt") for r in roots]
        neighbours.append(self.write(stores[0] + "\\Other\\keep.txt"))
        self.s.wine("reg", "add", MENU + "\\Other", "/ve", "/d", "other.htm", "/f")
        self.s.wine("reg", "add", MAKER + "\\Lumora", "/v", "StatusAddress", "/d",
                    "https://status.example.test/statuses/update.xml", "/f")
        self.s.wine("reg", "add", MAKER + "\\Other", "/v", "Kept", "/d", "yes", "/f")
        self.s.wine("reg", "add", CLASSES + "\\lumora-other", "/ve", "/d", "kept", "/f")
        folders = [self.s.unix_path(p + "\\Kestrova") for p in roots]
        for folder in folders:
            self.assertTrue(os.path.exists(os.path.join(folder, "Lumora.exe")))
            self.assertTrue(os.path.exists(os.path.join(folder, "UN.DAT")))
        self.assertIn("Kestrova", self.s.reg_query(MENU + "\\Lumora", ""))
        self.assertIn("Lumora.exe",
                      self.s.reg_query(CLASSES + "\\lumora\\shell\\open\\command", ""))

        transcript = "".join(self.run_in_command_prompt(block) for block in blocks)

        self.assertIsNone(self.s.reg_query(MENU + "\\Lumora"), transcript)
        self.assertIsNone(self.s.reg_query(MAKER + "\\Lumora"), transcript)
        self.assertIsNone(self.s.reg_query(CLASSES + "\\lumora"), transcript)
        for path in folders + [os.path.dirname(c) for c in copies]:
            self.assertFalse(os.path.exists(path), path + " is still there:\n" + transcript)
        for path in neighbours:
            self.assertTrue(os.path.exists(path), path + " was removed too")
        self.assertEqual(self.s.reg_query(MENU + "\\Other", ""), "other.htm")
        self.assertEqual(self.s.reg_query(MAKER + "\\Other", "Kept"), "yes")
        self.assertEqual(self.s.reg_query(CLASSES + "\\lumora-other", ""), "kept")


if __name__ == "__main__":
    unittest.main()
