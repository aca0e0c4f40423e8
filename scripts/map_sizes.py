#!/usr/bin/env python3
"""Lists what takes the room in a program from its GNU ld linker map: the output sections, the
input files (library members) and the largest functions and data, demangled."""

import collections
import os
import re
import subprocess
import sys

SECTION = re.compile(r"^ (\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
NAME_ONLY = re.compile(r"^ (\S+)$")
PLACED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
OUTPUT = re.compile(r"^(\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)")


def input_sections(path):
    """(output section, input section, size, file) for every input section the link kept."""
    started, output, pending = False, None, None
    with open(path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if not started:
                started = line.startswith("Linker script and memory map")
                continue
            match = OUTPUT.match(line)
            if match:
                output = match.group(1)
                continue
            if pending is not None:
                match = PLACED.match(line)
                if match and int(match.group(2), 16):
                    yield output, pending, int(match.group(2), 16), match.group(3)
                pending = None
                continue
            match = SECTION.match(line)
            if match:
                if int(match.group(3), 16) and not match.group(1).startswith("*"):
                    yield output, match.group(1), int(match.group(3), 16), match.group(4)
                continue
            match = NAME_ONLY.match(line)
            if match and not match.group(1).startswith("*"):
                pending = match.group(1)


def short_file(name):
    """libstdc++.a(string-inst.o) or the object's own name, without folders."""
    match = re.match(r"(.*)\((.*)\)$", name)
    if match:
        return "%s(%s)" % (os.path.basename(match.group(1)), match.group(2))
    return os.path.basename(name)


def demangle(names):
    try:
        result = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True,
                                text=True, check=True)
        return result.stdout.splitlines()
    except (OSError, subprocess.CalledProcessError):
        return names


def main(path, top):
    sections = list(input_sections(path))
    by_output = collections.Counter()
    by_file = collections.Counter()
    by_symbol = collections.Counter()
    for output, name, size, owner in sections:
        by_output[output] += size
        by_file[short_file(owner)] += size
        # With -ffunction-sections every function and datum has its own input section.
        match = re.match(r"\.(?:text|rdata|data|bss)\$?\.?(.+)$", name)
        if match and match.group(1) not in ("", "startup", "unlikely"):
            symbol = re.sub(r"^(?:unlikely|startup|hot)\.", "", match.group(1))
            by_symbol[(output, symbol, short_file(owner))] += size
    print("    by section: " + ", ".join("%s %d" % item for item in by_output.most_common(8)))
    print("    largest input files:")
    for name, size in by_file.most_common(top):
        print("      %8d  %s" % (size, name))
    print("    largest functions and data:")
    largest = by_symbol.most_common(top)
    for ((output, _, owner), size), name in zip(largest, demangle([k[1] for k, _ in largest])):
        print("      %8d  %-7s %s  [%s]" % (size, output, name[:90], owner))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 10)
