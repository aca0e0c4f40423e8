"""The unwinding records of the shipped 32-bit Lumora.exe hold only what the program's own
unwinder (platform/win32/runtime/frame_rules.cpp and frame_expressions.cpp) reads.

That unwinder ends a throw in std::terminate when a record holds an instruction or expression
operation it does not know. A newer compiler that starts to emit one fails here, in the build,
rather than at a user's first throw."""

import os
import struct
import unittest

# What the unwinder reads, by DWARF number. Call frame instructions: the three packed in the
# high bits (advance_loc, offset, restore) and the extended ones.
HANDLED_PACKED = {0x40, 0x80, 0xC0}
HANDLED_INSTRUCTIONS = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D,
    0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x2E,
}
# Expression operations: addr, deref, const1u..const4s, constu, consts, dup, drop, swap, minus,
# neg, plus, plus_uconst, lit0..lit31, breg0..breg8, bregx and nop.
HANDLED_OPERATIONS = ({0x03, 0x06, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x10, 0x11, 0x12, 0x13,
                       0x16, 0x1C, 0x1F, 0x22, 0x23, 0x92, 0x96}
                      | set(range(0x30, 0x50)) | set(range(0x70, 0x79)))
# How deep the unwinder remembers states.
REMEMBERED = 4
# The registers the unwinder keeps: eax, ecx, edx, ebx, esp, ebp, esi, edi, return address.
LAST_REGISTER = 8
AUGMENTATIONS = set("zPLR")


def pe_section(path, name):
    data = open(path, "rb").read()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional = struct.unpack_from("<H12xH", data, header + 6)
    table = header + 24 + optional
    for index in range(count):
        entry = table + 40 * index
        if data[entry:entry + 8].rstrip(b"\0") in (name[:8], name):
            size, _, raw, offset = struct.unpack_from("<IIII", data, entry + 8)
            return data[offset:offset + min(size, raw)]
    raise AssertionError("%s has no %s section" % (path, name))


class Reader:
    def __init__(self, data, at):
        self.data, self.at = data, at

    def byte(self):
        self.at += 1
        return self.data[self.at - 1]

    def skip(self, count):
        self.at += count

    def leb(self, signed=False):
        value = shift = 0
        while True:
            byte = self.byte()
            value |= (byte & 0x7F) << shift
            shift += 7
            if not byte & 0x80:
                break
        if signed and byte & 0x40:
            value -= 1 << shift
        return value

    def cstring(self):
        end = self.data.index(b"\0", self.at)
        text, self.at = self.data[self.at:end].decode("ascii"), end + 1
        return text


def encoded_size(encoding):
    return {0x02: 2, 0x0A: 2, 0x04: 8, 0x0C: 8}.get(encoding & 0x0F, 4)


class Checker:
    """Walks every record of an .eh_frame section and lists what the unwinder would not know."""

    def __init__(self, section):
        self.section, self.unknown, self.cies = section, [], {}

    def run(self):
        at = 0
        while at + 4 <= len(self.section):
            length = struct.unpack_from("<I", self.section, at)[0]
            if length == 0:
                break
            if length == 0xFFFFFFFF:
                self.unknown.append("64-bit record at %#x" % at)
                break
            pointer = struct.unpack_from("<I", self.section, at + 4)[0]
            end = at + 4 + length
            if pointer == 0:
                self.cie(at, end)
            else:
                self.fde(at, at + 4 - pointer, end)
            at = end
        return self.unknown

    def cie(self, at, end):
        reader = Reader(self.section, at + 9)
        augmentation = reader.cstring()
        reader.leb(), reader.leb(True)
        column = reader.byte() if self.section[at + 8] == 1 else reader.leb()
        if column != LAST_REGISTER or set(augmentation) - AUGMENTATIONS:
            self.unknown.append("CIE at %#x: %r, return column %d" % (at, augmentation, column))
        encoding = 0
        if augmentation.startswith("z"):
            length = reader.leb()
            data = Reader(self.section, reader.at)
            for letter in augmentation[1:]:
                if letter == "P":
                    data.skip(encoded_size(data.byte()))
                elif letter == "L":
                    data.skip(1)
                elif letter == "R":
                    encoding = data.byte()
            reader.skip(length)
        self.cies[at] = (encoding, augmentation.startswith("z"))
        self.instructions(reader, end, encoding, "CIE at %#x" % at)

    def fde(self, at, cie, end):
        encoding, hasData = self.cies[cie]
        reader = Reader(self.section, at + 8 + 2 * encoded_size(encoding))
        if hasData:
            reader.skip(reader.leb())
        self.instructions(reader, end, encoding, "FDE at %#x" % at)

    def register(self, number, where):
        if number > LAST_REGISTER:
            self.unknown.append("%s: register %d" % (where, number))

    def instructions(self, reader, end, encoding, where):
        one_register = {0x06, 0x07, 0x08, 0x0D}
        register_and_number = {0x05, 0x0C, 0x11, 0x12, 0x14, 0x15}
        depth = 0
        while reader.at < end:
            opcode = reader.byte()
            packed = opcode & 0xC0
            if packed:
                if packed != 0x40:
                    self.register(opcode & 0x3F, where)
                if packed == 0x80:
                    reader.leb()
                continue
            if opcode not in HANDLED_INSTRUCTIONS:
                self.unknown.append("%s: instruction %#04x" % (where, opcode))
                return
            if opcode in (0x0A, 0x0B):
                depth += 1 if opcode == 0x0A else -1
                if not 0 <= depth <= REMEMBERED:
                    self.unknown.append("%s: states remembered %d deep" % (where, depth))
                    return
            elif opcode in (0x02, 0x03, 0x04):
                reader.skip(1 << (opcode - 0x02))
            elif opcode == 0x01:
                reader.skip(encoded_size(encoding))
            elif opcode in one_register:
                self.register(reader.leb(), where)
            elif opcode in register_and_number or opcode == 0x09:
                self.register(reader.leb(), where)
                value = reader.leb()
                if opcode == 0x09:
                    self.register(value, where)
            elif opcode in (0x0E, 0x13, 0x2E):
                reader.leb()
            elif opcode == 0x0F:
                self.expression(reader, where)
            elif opcode in (0x10, 0x16):
                self.register(reader.leb(), where)
                self.expression(reader, where)

    def expression(self, reader, where):
        end = reader.leb() + reader.at
        operands = {0x03: 4, 0x08: 1, 0x09: 1, 0x0A: 2, 0x0B: 2, 0x0C: 4, 0x0D: 4}
        while reader.at < end:
            operation = reader.byte()
            if operation not in HANDLED_OPERATIONS:
                self.unknown.append("%s: expression operation %#04x" % (where, operation))
                reader.at = end
                return
            if operation in operands:
                reader.skip(operands[operation])
            elif operation in (0x10, 0x23) or 0x70 <= operation <= 0x78:
                reader.leb(operation >= 0x70)
            elif operation == 0x11:
                reader.leb(True)
            elif operation == 0x92:
                self.register(reader.leb(), where)
                reader.leb(True)


class UnwindTablesTest(unittest.TestCase):
    def test_every_record_holds_only_what_the_unwinder_reads(self):
        build = os.environ.get("LUMORA_BUILD32")
        if not build:
            self.skipTest("set LUMORA_BUILD32 to the 32-bit Windows build tree")
        program = os.path.join(build, "poster", "Lumora.exe")
        checker = Checker(pe_section(program, b".eh_frame"))
        self.assertEqual(checker.run(), [])
        self.assertGreater(len(checker.cies), 0)


if __name__ == "__main__":
    unittest.main()
