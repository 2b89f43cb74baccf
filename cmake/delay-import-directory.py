#!/usr/bin/env python3
"""Usage: delay-import-directory.py set IMAGE | list IMAGE

set: points the PE image's Delay Import Directory (data directory 13) at its
table of delay-import descriptors. GNU ld 2.40 links the descriptors that dlltool's
delay-import libraries carry (section .text$2, one per DLL, followed by the
zero descriptor of src/app/DelayImportTableEnd.cpp) but leaves the directory
empty; the delay-load helper does not need it, but every tool that lists a
program's DLLs reads it.
list: prints the names of the DLLs in the image's Delay Import Directory, one
a line, as tools read them (binutils' objdump 2.40 does not print them).

A descriptor (ImgDelayDescr, "PE Format: The Delay-Load Directory Table") is
eight 32-bit fields: attributes (1: the fields are RVAs), the RVA of the DLL's
name, of its module handle, of its import address table, of its import name
table, of the bound and unload tables (0 here) and a time stamp (0).
"""
import struct
import sys

DESCRIPTOR = struct.Struct("<8I")
DELAY_IMPORT_DIRECTORY = 13


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise SystemExit("not a PE image")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.optional = pe + 24
        if struct.unpack_from("<H", data, self.optional)[0] != 0x20B:
            raise SystemExit("not a PE32+ image")
        self.sections = []
        for i in range(sections):
            entry = self.optional + optional_size + 40 * i
            name = data[entry:entry + 8].rstrip(b"\0").decode()
            vsize, rva, raw_size, raw = struct.unpack_from("<4I", data, entry + 8)
            self.sections.append((name, rva, max(vsize, raw_size), raw, raw_size))

    def directory_offset(self, index):
        return self.optional + 112 + 8 * index

    def section_of(self, rva):
        for section in self.sections:
            if section[1] <= rva < section[1] + section[2]:
                return section
        return None

    def bytes_at(self, rva, size):
        section = self.section_of(rva)
        if not section or rva - section[1] + size > section[4]:
            return None
        start = section[3] + rva - section[1]
        return self.data[start:start + size]

    def dll_name(self, rva):
        text = self.bytes_at(rva, 1)
        if text is None:
            return None
        section = self.section_of(rva)
        start = section[3] + rva - section[1]
        end = self.data.find(b"\0", start, section[3] + section[4])
        name = self.data[start:end] if end > start else b""
        return name.decode("ascii", "replace") if name.lower().endswith(b".dll") else None

    def is_descriptor(self, rva):
        raw = self.bytes_at(rva, DESCRIPTOR.size)
        if raw is None:
            return False
        attributes, name, module, iat, names, bound, unload, stamp = DESCRIPTOR.unpack(raw)
        in_idata = lambda r: (self.section_of(r) or ("",))[0] == ".idata"
        return (attributes == 1 and bound == unload == stamp == 0 and self.dll_name(name) is not None
                and self.section_of(module) is not None and in_idata(iat) and in_idata(names))

    def descriptor_table(self):
        """Returns (rva, count) of the one run of descriptors ended by a zero descriptor."""
        found = []
        for name, rva, size, _, _ in self.sections:
            if name == ".text":
                found += [r for r in range(rva, rva + size - DESCRIPTOR.size, 16) if self.is_descriptor(r)]
        if not found:
            raise SystemExit("no delay-import descriptors found")
        start, count = found[0], len(found)
        if found != list(range(start, start + DESCRIPTOR.size * count, DESCRIPTOR.size)):
            raise SystemExit("the delay-import descriptors are not one table")
        if self.bytes_at(start + DESCRIPTOR.size * count, DESCRIPTOR.size) != bytes(DESCRIPTOR.size):
            raise SystemExit("the delay-import descriptors lack their zero terminator")
        return start, count


    def delay_imported_dlls(self):
        """Returns the DLL names of the descriptors the Delay Import Directory points at."""
        rva, size = struct.unpack_from("<2I", self.data, self.directory_offset(DELAY_IMPORT_DIRECTORY))
        names = []
        for entry in range(rva, rva + size, DESCRIPTOR.size) if rva else ():
            fields = DESCRIPTOR.unpack(self.bytes_at(entry, DESCRIPTOR.size))
            if fields == (0,) * 8:
                break
            names.append(self.dll_name(fields[1]))
        return names


def main():
    command, path = sys.argv[1:3]
    with open(path, "rb") as f:
        image = Image(bytearray(f.read()))
    if command == "list":
        print("\n".join(image.delay_imported_dlls()))
        return
    start, count = image.descriptor_table()
    struct.pack_into("<2I", image.data, image.directory_offset(DELAY_IMPORT_DIRECTORY), start,
                     DESCRIPTOR.size * (count + 1))
    with open(path, "wb") as f:
        f.write(image.data)


if __name__ == "__main__":
    main()
