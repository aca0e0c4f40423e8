"""The Win32 backend under Wine: the window builder and the services, checked from inside by
win32_backend_checks.exe, the report of an error that escapes a handler, and the end of one that
leaves a noexcept function."""

import glob
import os
import unittest

import harness
from fixture import WineCase

CHECKS = harness.exe("tests", "platform", "win32", "win32_backend_checks.exe")


class BackendTest(WineCase):
    required = (CHECKS,)

    def test_window_builder_and_services_pass_their_checks(self):
        result = self.s.wine(CHECKS, timeout=60, check=False)
        failed = [line for line in result.stdout.splitlines() if line.startswith("FAILED")]
        self.assertEqual(failed, [])
        self.assertIn("0 failed", result.stdout)
        self.assertEqual(result.returncode, 0)

    def test_error_escaping_the_load_handler_is_reported_and_ends_the_program(self):
        # A system failure, then the runtime library's own error (a position past a string's end).
        for mode, wanted in (("fail", "Run-time error '5':\n\nAccess is denied."),
                             ("past-the-end", "Run-time error '9':\n\nSubscript out of range")):
            with self.subTest(mode=mode):
                program = self.s.run(CHECKS, args=(mode,))
                hwnd, _, text = self.wait_box(10, title="win32_backend_checks")
                self.assertEqual(text, wanted)
                self.assertFalse(self.s.window_exists(cls="BackendChecks"),
                                 "window shown after error")
                self.s.dismiss_message_box(hwnd)
                self.assertEqual(program.wait_exit(timeout=10), 1)

    def test_failure_leaving_a_noexcept_function_ends_the_program(self):
        # Through std::terminate, whose handler aborts: exit code 3, never the catch outside.
        result = self.s.wine(CHECKS, "noexcept", timeout=60, check=False)
        self.assertEqual(result.returncode, 3)


class SessionTest(unittest.TestCase):
    def test_stopped_session_leaves_neither_prefix_nor_server_folder(self):
        other = harness.WineSession().start()
        try:
            root = other.prefix_root
            status = os.stat(other.prefix)
            pattern = os.path.join(os.environ.get("TMPDIR") or "/tmp", "wine-*",
                                   "server-%x-%x" % (status.st_dev, status.st_ino))
            self.assertEqual(len(glob.glob(pattern)), 1, "no server folder " + pattern)
        finally:
            other.stop()
        self.assertFalse(os.path.exists(root))
        self.assertEqual(glob.glob(pattern), [])


if __name__ == "__main__":
    unittest.main()
