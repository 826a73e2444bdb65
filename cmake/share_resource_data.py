#!/usr/bin/python3
"""Makes resources with the same bytes share one copy of them in a windres object.

    share_resource_data.py <object from windres -O coff> <output object>

The event table is linked under two languages (French and neutral, see assets/resources.rc); the
resource format lets both entries point at one copy of the data, which windres cannot say. The
object's one section holds the directory, the data entries, then the data; each entry's data offset
is an addend relocated against the section. Identical data keep the first copy's offset, the copies
go, and the data after them moves up (still on its 8-byte boundary). The output depends on the
input alone.
"""

import struct
import sys

FILE_HEADER = struct.Struct("<HHIIIHH")
SECTION_HEADER = struct.Struct("<8sIIIIIIHHI")
RELOCATION = struct.Struct("<IIH")


def share(obj):
    (machine, sections, stamp, symbols_at, symbols, optional_size, flags) = FILE_HEADER.unpack_from(obj)
    if sections != 1 or optional_size != 0:
        raise ValueError("not a windres resource object")
    (name, vsize, vaddr, raw_size, raw_at, relocations_at, lines_at, relocations, lines,
     section_flags) = SECTION_HEADER.unpack_from(obj, FILE_HEADER.size)
    if name.rstrip(b"\0") != b".rsrc" or lines:
        raise ValueError("not a windres resource object")
    section = obj[raw_at:raw_at + raw_size]
    entries = [RELOCATION.unpack_from(obj, relocations_at + i * RELOCATION.size)[0] for i in range(relocations)]
    # (offset, size) of each entry's data, by the entry's place.
    data = {at: struct.unpack_from("<II", section, at) for at in entries}
    start = min(offset for offset, _ in data.values())
    if start < max(entries) + 8:
        raise ValueError("data before the directory's end")

    out = bytearray(section[:start])
    placed = {}  # the data's bytes -> their offset in out
    moved = {}  # the data's old offset -> its new one
    for offset, size in sorted(set(data.values())):
        blob = bytes(section[offset:offset + size])
        if blob not in placed:
            out += bytes(-len(out) % 8)
            placed[blob] = len(out)
            out += blob
        moved[offset] = placed[blob]
    for at, (offset, _) in data.items():
        struct.pack_into("<I", out, at, moved[offset])
    out += bytes(-len(out) % 4)

    # The file: headers, the section's data, its relocations, then the symbols and their strings.
    header_size = FILE_HEADER.size + SECTION_HEADER.size
    relocation_bytes = obj[relocations_at:relocations_at + relocations * RELOCATION.size]
    symbol_bytes = obj[symbols_at:]
    new_relocations_at = header_size + len(out)
    new_symbols_at = new_relocations_at + len(relocation_bytes)
    return (FILE_HEADER.pack(machine, sections, stamp, new_symbols_at, symbols, optional_size, flags)
            + SECTION_HEADER.pack(name, vsize, vaddr, len(out), header_size, new_relocations_at, 0,
                                  relocations, 0, section_flags)
            + bytes(out) + relocation_bytes + symbol_bytes)


def main():
    source, target = sys.argv[1:]
    with open(source, "rb") as f:
        shared = share(f.read())
    with open(target, "wb") as f:
        f.write(shared)


if __name__ == "__main__":
    main()
