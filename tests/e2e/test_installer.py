"""SetupLumora end to end under Wine: the files it installs, the program file it replaces or
leaves alone, the registry editor (the system's, never one planted beside it) merging its
context-menu entry, and the ProgramFiles values it must name exactly or refuse."""

import os
import re
import shutil
import time
import harness
from fixture import WineCase

KEY = r"HKCU\Software\Microsoft\Internet Explorer\MenuExt\Lumora"
CLOSING_TITLE = "THANK YOU - REGISTRY UPDATED?"
CLOSING_TEXT = (
    "If you answered 'YES' then the next time you open Internet Explorer, simply HIGHLIGHT some "
    "text on a Web Page, press the RIGHT MOUSE BUTTON and select:\n\n"
    "Lumora - and follow the instructions!\n\n"
    "Please note: This Fun Application for Twitter is absolutely FREE.")
IDS = harness.setup_control_ids()
BUTTON, LABEL1 = IDS["UpdateRegistryButton"], IDS["Label1"]  # Label1(i) is LABEL1 + i
INSTALLED_FILES = sorted(["Lumora.Reg", "Lumora.exe", "Lumora.htm", "Lumora-bookmarklet.htm"])


def reg_file(root):
    """The registry file for a data folder <root>\\Kestrova\\ (root like C:\\Apps)."""
    path = (root + "\\Kestrova\\Lumora.htm").replace("\\", "\\\\\\\\")
    return ("Windows Registry Editor Version 5.00\r\n"
            "\r\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\MenuExt\\Lumora]\r\n"
            '@="' + path + '"\r\n').encode("ascii")


def script_file(root):
    prog = (root + "\\Kestrova\\Lumora.exe").replace("\\", "\\\\\\\\")
    lines = [
        "<HTML>", " <HEAD>", "  <TITLE>",
        "   Tweet Web Text INSTANTLY to your Twitter Followers",
        "  </TITLE>", " </HEAD>",
        '  <script language="javascript" type="text/javascript">', "",
        "// " + "=" * 19, "// STORE SELECTED TEXT", "// " + "=" * 19,
        "   var Selected = window.external.menuArguments.document.selection.createRange().text;",
        "", "// " + "=" * 24, "// COPY IT TO THE CLIPBOARD", "// " + "=" * 24,
        '   window.clipboardData.setData("Text",Selected);', "",
        "// " + "=" * 15, "// SHELL MY TALVEX APP", "// " + "=" * 15,
        '   var oShell = new ActiveXObject("WScript.Shell");',
        '   var prog = "' + prog + '";',
        "   oShell.run('\"'+prog+'\"',1);", "", "   window.close();", "  </script>",
        " </BODY>", "</HTML>"]
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def planted_exe():
    return harness.exe("tests", "e2e", "driver", "planted_mark.exe")


class InstallerDriving(WineCase):
    """Starting SetupLumora and pressing its button."""

    required = (harness.setup_exe(), harness.lumora_exe())

    @classmethod
    def prepare(cls):
        cls.program_bytes = read(harness.lumora_exe())

    def folder(self, root="C:\\Program Files"):
        return self.s.unix_path(root + "\\Kestrova")

    def registered_file(self, value):
        """The Unix path of the file that a registry value names, read as Windows reads a path:
        a doubled separator counts as one, after a network path's leading pair."""
        lead = "\\\\" if value.startswith("\\\\") else ""
        return self.s.unix_path(lead + re.sub(r"\\+", r"\\", value[len(lead):]))

    def registered_value(self):
        """The key's default value, exactly: `reg export` writes UTF-16, where `reg query`
        prints through a code page that loses characters."""
        exported = self.s.temp_file(".reg")
        if self.s.wine("reg", "export", KEY, harness.windows_path(exported), "/y",
                       check=False).returncode != 0:
            return None
        with open(exported, "rb") as f:
            text = f.read().decode("utf-16")
        found = re.search(r'^@="((?:[^"\\]|\\.)*)"\r?$', text, re.M)
        return re.sub(r"\\(.)", r"\1", found.group(1)) if found else None

    def forget_registration(self):
        self.s.wine("reg", "delete", KEY, "/f", check=False)
        self.assertIsNone(self.s.reg_query(KEY, ""))

    def start_setup(self, exe=None, **kwargs):
        program = self.s.start(exe or harness.setup_exe(), **kwargs)
        hwnd = self.s.wait_window(cls="SetupLumoraForm", timeout=20)
        self.assertTrue(hwnd, "the installer window did not open")
        return program, hwnd

    def press_and_close(self, program, hwnd):
        """Presses the button and goes through the closing message; returns the message."""
        pressed = time.monotonic()
        self.s.click(hwnd, BUTTON)
        self.assertTrue(harness.wait_until(lambda: not self.s.is_visible(hwnd), 5),
                        "the window stayed visible after the press")
        # The hidden window still answers while the handler waits for the editor.
        asked = time.monotonic()
        self.assertEqual(self.s.get_text(hwnd, LABEL1 + 11), "(New Installation Only)")
        self.assertLess(time.monotonic() - asked, 2.0)
        self.assertEqual(self.s.message_boxes(CLOSING_TITLE), [], "the wait ended early")
        box = self.s.wait_message_box(title=CLOSING_TITLE, timeout=20)
        self.assertIsNotNone(box, "no closing message")
        self.assertGreaterEqual(time.monotonic() - pressed, 4.8)
        self.assertFalse(self.s.is_visible(hwnd))
        self.s.dismiss_message_box(box[0])
        self.assertIsNotNone(program.wait_exit(10), "the installer did not end after OK")
        return box

    def install_and_register(self, root, data_root=None):
        """Installs with ProgramFiles=root, merges the registration and checks that the registry
        value names the script written (in data_root\\Kestrova, by default root\\Kestrova),
        beside the program; returns the data folder's Unix path."""
        self.forget_registration()
        program, hwnd = self.start_setup(env={"ProgramFiles": root})
        folder = self.folder((data_root or root).rstrip("\\"))
        self.assertEqual(sorted(os.listdir(folder)), INSTALLED_FILES)
        self.assertEqual(read(os.path.join(folder, "Lumora.exe")), self.program_bytes)
        self.press_and_close(program, hwnd)
        registered = self.registered_value()
        self.assertIsNotNone(registered, "the registry editor merged nothing")
        self.assertEqual(os.path.realpath(self.registered_file(registered)),
                         os.path.realpath(os.path.join(folder, "Lumora.htm")), registered)
        return folder


class SetupLumoraTest(InstallerDriving):
    """One Wine prefix for the whole class; the methods run in their numbered order, each
    leaving the data folder as the next one expects."""

    required = InstallerDriving.required + (planted_exe(),)

    def test_1_fresh_install_and_registration(self):
        folder = self.folder()
        self.assertFalse(os.path.exists(folder))
        program, hwnd = self.start_setup()

        self.assertEqual(sorted(os.listdir(folder)), INSTALLED_FILES)
        self.assertEqual(read(os.path.join(folder, "Lumora.exe")), self.program_bytes)
        self.assertEqual(read(os.path.join(folder, "Lumora.Reg")), reg_file("C:\\Program Files"))
        self.assertEqual(read(os.path.join(folder, "Lumora.htm")),
                         script_file("C:\\Program Files"))

        for element, text in ((0, "The software has been installed..."),
                              (9, '...please say "Yes" to the Security'),
                              (10, "question that pops up after this button!"),
                              (11, "(New Installation Only)")):
            self.assertEqual(self.s.get_text(hwnd, LABEL1 + element), text)
        caption = self.s.get_text(hwnd, BUTTON)
        self.assertEqual(len(caption), 126)
        self.assertTrue(caption.startswith(" NEW INSTALL?"))
        self.assertEqual(self.s.focused_control(hwnd), BUTTON)
        left, top, right, _ = self.s.window_rect(hwnd)
        self.assertIn(top, (2, 3))  # 40 twips
        self.assertLessEqual(abs(left + right - 1280), 2)
        self.assertIsNone(self.s.reg_query(KEY, ""))

        _, title, text = self.press_and_close(program, hwnd)
        self.assertEqual(text, CLOSING_TEXT)
        self.assertEqual(self.s.reg_query(KEY, ""),
                         "C:\\\\Program Files\\\\Kestrova\\\\Lumora.htm")
        self.assertEqual(list(self.s.reg_query(KEY)), [""])

    def test_2_second_run_rewrites_the_texts_and_replaces_a_longer_program(self):
        folder = self.folder()
        os.makedirs(folder, exist_ok=True)
        exe = os.path.join(folder, "Lumora.exe")
        with open(exe, "wb") as f:
            f.write(self.program_bytes + b"\xAB" * 200000)
        for name in ("Lumora.Reg", "Lumora.htm"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"stale")
        program, hwnd = self.start_setup()

        self.assertEqual(read(exe), self.program_bytes)
        self.assertEqual(read(os.path.join(folder, "Lumora.Reg")), reg_file("C:\\Program Files"))
        self.assertEqual(read(os.path.join(folder, "Lumora.htm")),
                         script_file("C:\\Program Files"))
        self.assertEqual(sorted(os.listdir(folder)), INSTALLED_FILES)
        self.assertEqual(self.s.message_boxes(), [])

    def test_3_running_lumora_keeps_its_program_file(self):
        folder = self.folder()
        os.makedirs(folder, exist_ok=True)
        exe = os.path.join(folder, "Lumora.exe")
        older = self.program_bytes + b"an older release"
        with open(exe, "wb") as f:
            f.write(older)
        script = os.path.join(folder, "Lumora.htm")
        if os.path.exists(script):
            os.remove(script)
        self.s.set_clipboard("keep Lumora open")
        self.s.start("C:\\Program Files\\Kestrova\\Lumora.exe")
        self.assertTrue(self.s.wait_window(cls="LumoraMain", timeout=20))

        program, hwnd = self.start_setup()
        self.assertTrue(self.s.no_message_box_within(1.0))
        self.assertTrue(program.running())
        self.assertEqual(read(exe), older)
        self.assertEqual(read(os.path.join(folder, "Lumora.htm")),
                         script_file("C:\\Program Files"))
        self.assertEqual([n for n in os.listdir(folder) if n.lower().endswith(".tmp")], [])

    def test_4_program_files_elsewhere_gives_files_and_registration_that_agree(self):
        os.makedirs(self.s.unix_path("C:\\Apps"), exist_ok=True)
        program, hwnd = self.start_setup(env={"ProgramFiles": "C:\\Apps"})
        folder = self.folder("C:\\Apps")
        self.assertEqual(sorted(os.listdir(folder)), INSTALLED_FILES)
        self.assertEqual(read(os.path.join(folder, "Lumora.Reg")), reg_file("C:\\Apps"))
        script = read(os.path.join(folder, "Lumora.htm"))
        self.assertEqual(script, script_file("C:\\Apps"))

        self.press_and_close(program, hwnd)
        registered = self.s.reg_query(KEY, "")
        self.assertEqual(registered, "C:\\\\Apps\\\\Kestrova\\\\Lumora.htm")
        # The menu entry's page and the program the page starts both exist where installed.
        page = self.s.unix_path(registered.replace("\\\\", "\\"))
        self.assertEqual(read(page), script)
        start = script.index(b'var prog = "') + len(b'var prog = "')
        prog = script[start:script.index(b'"', start)].decode().replace("\\\\", "\\")
        self.assertEqual(read(self.s.unix_path(prog.replace("\\\\", "\\"))), self.program_bytes)

    def test_5_bad_program_files_values(self):
        # Unset (ProgramW6432 too): the system's own Program Files folder, never a folder at
        # the drive's root, where every user could replace the program.
        folder = self.folder()
        shutil.rmtree(folder)
        program, hwnd = self.start_setup(unset=["ProgramFiles"])
        self.assertEqual(sorted(os.listdir(folder)), INSTALLED_FILES)
        self.assertFalse(os.path.exists(self.s.unix_path("C:\\Kestrova")))
        program.kill()

        # A missing parent: the text files cannot be written, the report ends the installer
        # before its window shows and no program file is left behind.
        program = self.s.start(harness.setup_exe(), env={"ProgramFiles": "C:\\Missing\\Apps"})
        box = self.s.wait_message_box(timeout=20)
        self.assertIsNotNone(box, "the file error was not reported")
        self.assertFalse(self.s.window_exists(cls="SetupLumoraForm"))
        self.s.dismiss_message_box(box[0])
        self.assertIsNotNone(program.wait_exit(10))
        self.assertFalse(os.path.exists(self.s.unix_path("C:\\Missing")))

    def test_6_planted_registry_editor_never_runs(self):
        downloads, work = "C:\\Downloads", "C:\\Work"
        for folder in (downloads, work):
            os.makedirs(self.s.unix_path(folder), exist_ok=True)
            shutil.copy(planted_exe(), self.s.unix_path(folder + "\\regedit.exe"))
        setup = downloads + "\\SetupLumora.exe"
        shutil.copy(harness.setup_exe(), self.s.unix_path(setup))
        self.forget_registration()

        program, hwnd = self.start_setup(exe=setup, cwd=work)
        self.press_and_close(program, hwnd)

        self.assertEqual(self.s.reg_query(KEY, ""),
                         "C:\\\\Program Files\\\\Kestrova\\\\Lumora.htm")
        for folder in (downloads, work):
            self.assertEqual([n for n in os.listdir(self.s.unix_path(folder)) if ".ran" in n],
                             [], "the regedit.exe in %s ran" % folder)

    def test_7_folders_named_exactly(self):
        # Spaces, brackets, an ampersand, an apostrophe and a tilde; a trailing backslash.
        odd = "C:\\Tom's Apps [1] & Co ~2"
        os.makedirs(self.s.unix_path(odd), exist_ok=True)
        folder = self.install_and_register(odd + "\\")
        self.assertEqual(read(os.path.join(folder, "Lumora.Reg")), reg_file(odd))

        # A share: named exactly, so its leading pair of backslashes still names the server.
        os.makedirs(self.s.unix_path("\\\\server\\apps"), exist_ok=True)
        self.install_and_register("\\\\server\\apps")
        self.assertEqual(self.s.reg_query(KEY, ""),
                         "\\\\server\\apps\\Kestrova\\Lumora.htm")

        # A ProgramFiles of 250 characters: the paths inside pass MAX_PATH.
        long_root = "C:\\" + "L" * 247
        os.makedirs(self.s.unix_path(long_root), exist_ok=True)
        self.install_and_register(long_root)

        # Empty, and unset: the system's Program Files folder.
        self.install_and_register("", data_root="C:\\Program Files")
        self.forget_registration()
        program, hwnd = self.start_setup(unset=["ProgramFiles"])
        self.press_and_close(program, hwnd)
        self.assertEqual(self.s.reg_query(KEY, ""),
                         "C:\\\\Program Files\\\\Kestrova\\\\Lumora.htm")

    def test_8_folder_windows_or_the_browser_cannot_name_is_refused(self):
        # A quote Windows forbids; % the script's Run would expand; # the browser would read as
        # the start of a fragment.
        for root in ('C:\\Apps"x', "C:\\Apps%TEMP%", "C:\\Apps #1"):
            allowed_by_windows = '"' not in root
            if allowed_by_windows:  # it exists, so only the rule can stop the install
                os.makedirs(self.s.unix_path(root), exist_ok=True)
            program = self.s.start(harness.setup_exe(), env={"ProgramFiles": root})
            box = self.s.wait_message_box(timeout=20)
            self.assertIsNotNone(box, root + " was not refused")
            self.assertEqual(box[1], "Whoops!")
            self.assertIn(root + "\\Kestrova\\", box[2])
            self.assertFalse(self.s.window_exists(cls="SetupLumoraForm"))
            self.s.dismiss_message_box(box[0])
            self.assertIsNotNone(program.wait_exit(10))
            if allowed_by_windows:
                self.assertEqual(os.listdir(self.s.unix_path(root)), [], root)
                os.rmdir(self.s.unix_path(root))
        self.assertEqual([n for n in os.listdir(self.s.c_drive) if n.startswith("Apps") and n != "Apps"],
                         [])

    def test_9_script_that_cannot_be_replaced_stays_and_leaves_no_temporary_file(self):
        # A folder where the script belongs: the finished temporary file cannot be renamed
        # over it.
        folder = self.folder()
        script = os.path.join(folder, "Lumora.htm")
        if os.path.isfile(script):
            os.remove(script)
        os.makedirs(os.path.join(script, "inside"), exist_ok=True)
        try:
            program = self.s.start(harness.setup_exe())
            box = self.s.wait_message_box(timeout=20)
            self.assertIsNotNone(box, "the failed write was not reported")
            self.assertFalse(self.s.window_exists(cls="SetupLumoraForm"))
            self.s.dismiss_message_box(box[0])
            self.assertIsNotNone(program.wait_exit(10))
            self.assertEqual(os.listdir(script), ["inside"])
            self.assertEqual([n for n in os.listdir(folder) if n.lower().endswith(".tmp")], [])
        finally:
            shutil.rmtree(script)
