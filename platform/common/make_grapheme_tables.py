#!/usr/bin/env python3
"""Writes the grapheme cluster property table that platform/common/graphemes.cpp includes.

    make_grapheme_tables.py GraphemeBreakProperty.txt emoji-data.txt OUTPUT

The table is the whole code space as runs, one where the property changes, sorted: the low 16
bits of each run's first code point in kRunStarts, its plane and property in kRunValues
(plane << 4 | property). Hangul syllables are one run; the segmenter
tells LV from LVT by arithmetic, and this script checks that the data agree with it.
"""
import re
import sys

# The order of graphemes.cpp's GraphemeProperty enumeration.
PROPERTIES = ["Other", "CR", "LF", "Control", "Extend", "ZWJ", "Regional_Indicator", "Prepend",
              "SpacingMark", "L", "V", "T", "HangulSyllable", "Extended_Pictographic"]
HANGUL_FIRST, HANGUL_LAST = 0xAC00, 0xD7A3
LINE = re.compile(r"^([0-9A-F]{4,6})(?:\.\.([0-9A-F]{4,6}))?\s*;\s*(\w+)")


def read_ranges(path, wanted=None):
    version = None
    with open(path, encoding="utf-8") as data:
        for line in data:
            if version is None:
                found = re.search(r"-(\d+\.\d+\.\d+)\.txt", line)
                version = found.group(1) if found else ""
            match = LINE.match(line)
            if match and (wanted is None or match.group(3) == wanted):
                first = int(match.group(1), 16)
                last = int(match.group(2) or match.group(1), 16)
                yield first, last, match.group(3), version


def main(break_path, emoji_path, output_path):
    values = [0] * 0x110000
    version = ""
    for first, last, name, version in read_ranges(break_path):
        if name in ("LV", "LVT"):
            for code in range(first, last + 1):
                expected = "LV" if (code - HANGUL_FIRST) % 28 == 0 else "LVT"
                if not HANGUL_FIRST <= code <= HANGUL_LAST or name != expected:
                    sys.exit(f"U+{code:04X} is {name}: the Hangul rule in graphemes.cpp is wrong")
            name = "HangulSyllable"
        for code in range(first, last + 1):
            values[code] = PROPERTIES.index(name)
    for first, last, _, _ in read_ranges(emoji_path, "Extended_Pictographic"):
        for code in range(first, last + 1):
            if values[code] != 0:
                sys.exit(f"U+{code:04X} is pictographic and {PROPERTIES[values[code]]}")
            values[code] = PROPERTIES.index("Extended_Pictographic")

    runs = [(code, value) for code, value in enumerate(values)
            if code == 0 or values[code - 1] != value]
    if runs[-1][0] >> 16 > 15:
        sys.exit("a run starts above plane 15: kRunValues cannot hold its plane")
    lines = [f"// Generated from Unicode {version} by platform/common/make_grapheme_tables.py."]
    for name, kind, cells in (
            ("kRunStarts", "std::uint16_t", [f"0x{code & 0xFFFF:X}" for code, _ in runs]),
            ("kRunValues", "std::uint8_t", [f"0x{code >> 16 << 4 | value:X}" for code, value in runs])):
        lines.append(f"constexpr {kind} {name}[{len(runs)}] = {{")
        for row in range(0, len(cells), 12):
            lines.append("    " + ", ".join(cells[row:row + 12]) + ",")
        lines.append("};")
    with open(output_path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
