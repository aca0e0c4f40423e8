"""The DLLs that the built installers import, read from their import tables with objdump.

An installer runs from a download folder, often as administrator. A DLL that the loader takes
from the program's own folder could be planted there; only the known system DLLs (always taken
from the system folder) and the common controls (bound by the manifest) are allowed."""

import os
import re
import subprocess
import unittest

# Known DLLs of Windows 7 and of Windows 10 alike, plus ntdll, which every process has loaded
# before its imports are resolved.
KNOWN_SYSTEM_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll",
    "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll",
    "ntdll.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll",
    "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll",
}
COMMON_CONTROLS_BY_MANIFEST = b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'

INSTALLERS = [
    # (build tree variable, objdump)
    ("LUMORA_BUILD", "x86_64-w64-mingw32-objdump"),
    ("LUMORA_BUILD32", "i686-w64-mingw32-objdump"),
]


def imported_dlls(objdump, path):
    listing = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                             text=True, timeout=60).stdout
    return sorted({name.lower() for name in re.findall(r"DLL Name:\s*(\S+)", listing)})


class InstallerImportsTest(unittest.TestCase):
    def test_installers_import_only_dlls_taken_from_the_system_folder(self):
        checked = 0
        for variable, objdump in INSTALLERS:
            build = os.environ.get(variable)
            if not build:
                continue
            checked += 1
            with self.subTest(build=build):
                path = os.path.join(build, "installer", "SetupLumora.exe")
                dlls = imported_dlls(objdump, path)
                self.assertIn("kernel32.dll", dlls, "no import table read from " + path)
                allowed = set(KNOWN_SYSTEM_DLLS)
                with open(path, "rb") as f:
                    if COMMON_CONTROLS_BY_MANIFEST in f.read():
                        allowed.add("comctl32.dll")
                self.assertEqual([d for d in dlls if d not in allowed], [],
                                 path + " imports DLLs the loader may take from its folder")
        if checked == 0:
            self.skipTest("set LUMORA_BUILD and/or LUMORA_BUILD32 to the Windows build trees")


class ShippedLumoraTest(unittest.TestCase):
    """The 32-bit Lumora.exe ships: within its 250,000-byte budget, no runtime DLL."""

    BUDGET = 250000

    def test_shipped_program_is_within_its_budget_and_needs_no_runtime_dll(self):
        build = os.environ.get("LUMORA_BUILD32")
        if not build:
            self.skipTest("set LUMORA_BUILD32 to the 32-bit build tree")
        path = os.path.join(build, "poster", "Lumora.exe")
        self.assertLess(os.path.getsize(path), self.BUDGET, path)
        dlls = imported_dlls("i686-w64-mingw32-objdump", path)
        self.assertIn("kernel32.dll", dlls, "no import table read from " + path)
        runtime = [d for d in dlls if re.match(r"(libstdc\+\+|libgcc|libwinpthread)", d)]
        self.assertEqual(runtime, [], path + " needs a runtime DLL")


if __name__ == "__main__":
    unittest.main()
