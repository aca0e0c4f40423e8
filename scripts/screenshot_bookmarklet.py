#!/usr/bin/env python3
"""Draws docs/bookmarklet-page.png: the page SetupLumora writes, Lumora-bookmarklet.htm, as
Debian's headless Chromium shows it. The page's lines come from the installer's own code,
compiled natively for this."""

import os
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHROMIUM = os.environ.get("LUMORA_CHROMIUM", "/usr/lib/chromium/chromium")
PRINTER = r"""
#include <cstdio>
#include "installer/bookmarklet.h"
int main() {
  for (const auto& line : installer::BookmarkletPageLines()) {
    for (char16_t c : line) std::putchar(static_cast<char>(c));  // the page is ASCII
    std::putchar('\n');
  }
}
"""


def main():
    out = os.path.join(REPO, "docs", "bookmarklet-page.png")
    with tempfile.TemporaryDirectory() as work:
        source, program = os.path.join(work, "print.cpp"), os.path.join(work, "print")
        with open(source, "w") as f:
            f.write(PRINTER)
        subprocess.run(["g++", "-std=c++20", "-I", REPO, source,
                        os.path.join(REPO, "installer", "bookmarklet.cpp"),
                        os.path.join(REPO, "platform", "text.cpp"), "-o", program], check=True)
        page = os.path.join(work, "Lumora-bookmarklet.htm")
        with open(page, "wb") as f:
            f.write(subprocess.run([program], check=True, capture_output=True).stdout)
        args = [CHROMIUM, "--headless", "--hide-scrollbars", "--window-size=760,260",
                "--screenshot=" + out, "file://" + page]
        if os.getuid() == 0:
            args.insert(1, "--no-sandbox")
        subprocess.run(args, check=True, capture_output=True, timeout=120)
    print(out)


if __name__ == "__main__":
    sys.exit(main())
