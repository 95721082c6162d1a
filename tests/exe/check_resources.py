#!/usr/bin/python3
"""Checks the resources that qm2.exe holds, as stored in the file (read with
Debian's python3-pefile), not as the resource script says them:

- every resource is stored under language 1033;
- icons 1 to 6 are 16/32/48 px at 24 then 32 bits per pixel, each an
  uncompressed DIB with a one-bit mask of the right size, the 32-bit ones
  with alpha;
- the one icon group is named "IDI_AAA_ICON" and lists icons 1 to 6 with
  their sizes, depths and byte counts;
- the version block named "VS_VERSION_INFO" and version block 1 are the same
  bytes, and that block holds the fixed part, the string table "080904b0"
  with its keys in order, and the translation.

    check_resources.py <qm2.exe>
"""
import struct
import sys

import pefile

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
LANGUAGE = 1033
IMAGES = [(1, 16, 24), (2, 32, 24), (3, 48, 24), (4, 16, 32), (5, 32, 32), (6, 48, 32)]
FIXED = {
    "signature": 0xFEEF04BD, "structure version": 0x00010000,
    "file version": (0x00000002, 0x0002004A), "product version": (0x00000002, 0x0002004A),
    "flags mask": 0x17, "flags": 0, "os": 0x4, "type": 0x1, "subtype": 0, "date": (0, 0),
}
STRINGS = [
    ("CompanyName", "Quillmarsh Mod"),
    ("FileDescription", "Quillmarsh"),
    ("FileVersion", "0, 2, 8, 72"),
    ("InternalName", "Quillmarsh 2"),
    ("LegalCopyright", "Copyright (C) 2026 Quillmarsh Mod team"),
    ("OriginalFilename", "qm2.exe"),
    ("ProductName", "Quillmarsh 2"),
    ("ProductVersion", "0, 2, 8, 72"),
]

failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)
    return ok


def resources(pe):
    """{type id: {name or id: {language: bytes}}} from the resource directory."""
    table = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        names = table.setdefault(kind.id if kind.name is None else str(kind.name), {})
        for entry in kind.directory.entries:
            key = entry.id if entry.name is None else str(entry.name)
            for lang in entry.directory.entries:
                d = lang.data.struct
                names.setdefault(key, {})[lang.id] = pe.get_data(d.OffsetToData, d.Size)
    return table


def check_icons(icons):
    check(sorted(icons) == [1, 2, 3, 4, 5, 6], f"icon IDs are 1..6 (found {sorted(icons)})")
    for number, size, depth in IMAGES:
        data = icons.get(number, {}).get(LANGUAGE)
        if not check(data is not None, f"icon {number} under language {LANGUAGE}"):
            continue
        header = struct.unpack_from("<IiiHHII", data, 0)
        check(header[:6] == (40, size, 2 * size, 1, depth, 0),
              f"icon {number}: BITMAPINFOHEADER 40 bytes, {size}x{size} (height {2 * size}),"
              f" 1 plane, {depth} bpp, uncompressed (found {header[:6]})")
        stride = (size * depth // 8 + 3) // 4 * 4
        mask_stride = (size + 31) // 32 * 4
        expected = 40 + stride * size + mask_stride * size
        check(len(data) == expected, f"icon {number}: {expected} bytes (found {len(data)})")
        if len(data) != expected:
            continue
        # The rows are bottom-up: row 0 is the bottom line.
        mask = 40 + stride * size

        def clear(x, y):
            return bool(data[mask + y * mask_stride + x // 8] & (0x80 >> (x % 8)))
        mid = size // 2
        check(clear(0, 0) and clear(size - 1, size - 1) and not clear(mid, mid),
              f"icon {number}: mask clears the corners and keeps the middle")
        if depth == 32:
            alpha = data[40 + 3:mask:4]
            check(alpha[0] < 64 and alpha[mid * size + mid] == 255
                  and any(64 <= a < 255 for a in alpha),
                  f"icon {number}: alpha near 0 at the corner, 255 in the middle, partial at edges")
            check(all((a < 128) == clear(i % size, i // size) for i, a in enumerate(alpha)),
                  f"icon {number}: mask clears exactly the pixels with alpha below one half")


def check_group(groups, icons):
    check(list(groups) == ["IDI_AAA_ICON"], f"the one icon group is IDI_AAA_ICON (found {list(groups)})")
    data = groups.get("IDI_AAA_ICON", {}).get(LANGUAGE)
    if not check(data is not None, f"icon group under language {LANGUAGE}"):
        return
    check(struct.unpack_from("<HHH", data, 0) == (0, 1, 6) and len(data) == 6 + 14 * 6,
          "icon group header: icons, six entries")
    for i, (number, size, depth) in enumerate(IMAGES):
        if 6 + 14 * (i + 1) > len(data):
            break
        entry = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        length = len(icons.get(number, {}).get(LANGUAGE, b""))
        check(entry == (size, size, 0, 0, 1, depth, length, number),
              f"icon group entry {i + 1}: icon {number}, {size}x{size}, {depth} bpp, {length} bytes"
              f" (found {entry})")


def version_nodes(data, offset, end):
    """The nodes of a version block between offset and end:
    (key, value type, value length, value bytes, children)."""
    nodes = []
    while offset < end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length < 6 or offset + length > end:
            raise ValueError(f"bad node length {length} at {offset}")
        key_end = data.index(b"\0\0", offset + 6)
        while (key_end - offset) % 2:
            key_end = data.index(b"\0\0", key_end + 1)
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if kind == 1 else value_length
        value = data[value_at:value_at + value_bytes]
        children_at = (value_at + value_bytes + 3) & ~3
        children = version_nodes(data, children_at, offset + length) \
            if children_at < offset + length else []
        nodes.append((key, kind, value_length, value, children))
        offset = (offset + length + 3) & ~3
    return nodes


def check_version(versions):
    check(sorted(map(str, versions)) == ["1", "VS_VERSION_INFO"],
          f"version blocks: VS_VERSION_INFO and 1 (found {list(versions)})")
    named = versions.get("VS_VERSION_INFO", {}).get(LANGUAGE)
    numbered = versions.get(1, {}).get(LANGUAGE)
    check(named is not None and numbered is not None,
          f"both version blocks under language {LANGUAGE}")
    if named is None:
        return
    check(named == numbered, "version block VS_VERSION_INFO equals version block 1 byte for byte")
    total = struct.unpack_from("<H", named, 0)[0]
    check(total == len(named), f"version block length {total} matches its resource size {len(named)}")
    try:
        (root,) = version_nodes(named, 0, total)
    except ValueError as e:
        check(False, f"version block parses: {e}")
        return
    key, _, _, fixed, children = root
    check(key == "VS_VERSION_INFO" and len(fixed) == 52, "root node VS_VERSION_INFO with a 52-byte fixed part")
    f = struct.unpack("<13I", fixed) if len(fixed) == 52 else (0,) * 13
    found = {
        "signature": f[0], "structure version": f[1], "file version": (f[2], f[3]),
        "product version": (f[4], f[5]), "flags mask": f[6], "flags": f[7], "os": f[8],
        "type": f[9], "subtype": f[10], "date": (f[11], f[12]),
    }
    for field, value in FIXED.items():
        check(found[field] == value, f"fixed part {field} = {value} (found {found[field]})")

    check([c[0] for c in children] == ["StringFileInfo", "VarFileInfo"],
          f"StringFileInfo then VarFileInfo (found {[c[0] for c in children]})")
    kids = {c[0]: c for c in children}
    tables = kids.get("StringFileInfo", (None,) * 5)[4] or []
    check([t[0] for t in tables] == ["080904b0"], f"one string table 080904b0 (found {[t[0] for t in tables]})")
    if tables:
        strings = [(k, v.decode("utf-16-le").rstrip("\0"), n, kind)
                   for k, kind, n, v, _ in tables[0][4]]
        check([s[0] for s in strings] == [k for k, _ in STRINGS],
              f"string keys in order (found {[s[0] for s in strings]})")
        got = {k: (v, n, kind) for k, v, n, kind in strings}
        for k, v in STRINGS:
            check(got.get(k) == (v, len(v) + 1, 1),
                  f'{k} = "{v}", text, {len(v) + 1} characters with the zero (found {got.get(k)})')
    var = kids.get("VarFileInfo", (None,) * 5)[4] or []
    check([(k, kind, v) for k, kind, _, v, _ in var] == [("Translation", 0, b"\x09\x08\xb0\x04")],
          "Translation 0x0809, 1200")


def main():
    pe = pefile.PE(sys.argv[1], fast_load=False)
    if not check(hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"), "the file has a resource directory"):
        return 1
    table = resources(pe)
    check(set(table) == {RT_ICON, RT_GROUP_ICON, RT_VERSION},
          f"resource types: icon, icon group, version (found {sorted(table, key=str)})")
    languages = {lang for names in table.values() for langs in names.values() for lang in langs}
    check(languages == {LANGUAGE}, f"every resource under language {LANGUAGE} (found {languages})")
    check_icons(table.get(RT_ICON, {}))
    check_group(table.get(RT_GROUP_ICON, {}), table.get(RT_ICON, {}))
    check_version(table.get(RT_VERSION, {}))
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
