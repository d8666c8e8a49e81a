#!/usr/bin/env python3
"""Records what a build's tolvarin-convert writes, to ML-TTRevathi and to Unicode, for
each document the tests keep and the peer corpora beside the project, as fingerprints
(FNV-1a, 64 bits, of the output; of a package, of its members' names and contents in
name order, since another build may deflate them differently; "unchanged" where the
output is the input). The engine's tests then
check that a conversion without --to still writes exactly that.
  tools/record_default_outputs.py CONVERTER > tests/data/default_outputs.tsv
"""
import io
import os
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PLACES = [  # (prefix in the table, folder)
    ("samples", os.path.join(ROOT, "samples")),
    ("data", os.path.join(ROOT, "tests", "data")),
    ("corpus", os.path.join(ROOT, "..", "shared", "corpus")),
    ("corpus-office", os.path.join(ROOT, "..", "shared", "corpus-office")),
    ("corpus-slides-sheets", os.path.join(ROOT, "..", "shared", "corpus-slides-sheets")),
]
KINDS = (".rtf", ".docx", ".docm", ".odt", ".pptx", ".xlsx", ".odp", ".ods")


def fnv(data, h=0xCBF29CE484222325):
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def fingerprint(out):
    if out[:4] != b"PK\x03\x04":
        return fnv(out)
    h = 0xCBF29CE484222325
    with zipfile.ZipFile(io.BytesIO(out)) as z:
        for name in sorted(z.namelist()):
            h = fnv(name.encode() + b"\0" + z.read(name) + b"\0", h)
    return h


def main():
    converter = sys.argv[1]
    print("# What a conversion without --to writes, recorded by tools/record_default_outputs.py:")
    print("# document, mode (revathi or unicode), FNV-1a of the output (unchanged, or refused where none is written)")
    with tempfile.TemporaryDirectory() as tmp:
        for prefix, folder in PLACES:
            if not os.path.isdir(folder):
                continue
            for base, _, files in sorted(os.walk(folder)):
                for name in sorted(files):
                    if not name.lower().endswith(KINDS):
                        continue
                    path = os.path.join(base, name)
                    with open(path, "rb") as f:
                        if f.read(8) == b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1":
                            continue  # a Word 97-2003 file: LibreOffice's, where it is installed
                    rel = prefix + "/" + os.path.relpath(path, folder).replace(os.sep, "/")
                    for mode, args in (("revathi", []), ("unicode", ["--unicode"])):
                        out = os.path.join(tmp, "out")
                        r = subprocess.run([converter, "-q", *args, "-o", out, path],
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                        if r.returncode == 0 and os.path.exists(out):
                            with open(out, "rb") as f, open(path, "rb") as i:
                                written = f.read()
                                value = "unchanged" if written == i.read() else "%016x" % fingerprint(written)
                            os.remove(out)
                        else:
                            value = "refused"
                        print(f"{rel}\t{mode}\t{value}")


if __name__ == "__main__":
    main()
