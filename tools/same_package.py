#!/usr/bin/env python3
"""Whether two converted packages (DOCX, ODT) say the same: usage same_package.py OLD NEW INPUT.

Two converters may deflate a changed part differently; what must agree is the members,
in order, and each member's content, and every member the conversion left alone
(its packed bytes the same as the input's in OLD) must be left alone in NEW too.
Exit status 0 when they agree; otherwise the first difference is printed.
"""
import struct
import sys
import zipfile


def packed(archive, info):
    """The member's bytes as stored in the archive (compressed, if it is)."""
    with open(archive.filename, "rb") as f:
        f.seek(info.header_offset)
        header = f.read(30)
        name_length, extra_length = struct.unpack("<HH", header[26:30])
        f.seek(info.header_offset + 30 + name_length + extra_length)
        return f.read(info.compress_size)


def main(old_path, new_path, input_path):
    # A .doc input was made a DOCX first: no member of it was there before.
    given = zipfile.ZipFile(input_path) if zipfile.is_zipfile(input_path) else None
    if not (zipfile.is_zipfile(old_path) and zipfile.is_zipfile(new_path)):
        return 1
    with zipfile.ZipFile(old_path) as old, zipfile.ZipFile(new_path) as new:
        old_names, new_names = old.namelist(), new.namelist()
        if old_names != new_names:
            print(f"members differ: {old_names} / {new_names}")
            return 1
        originals = {i.filename: i for i in given.infolist()} if given else {}
        for a, b in zip(old.infolist(), new.infolist()):
            if old.read(a) != new.read(b):
                print(f"{a.filename}: content differs")
                return 1
            kept = a.filename in originals and packed(old, a) == packed(given, originals[a.filename])
            if kept and packed(new, b) != packed(old, a):
                print(f"{a.filename}: left alone before, repacked now")
                return 1
            if (a.date_time, a.compress_type != 0) != (b.date_time, b.compress_type != 0):
                print(f"{a.filename}: date or storing differs")
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
