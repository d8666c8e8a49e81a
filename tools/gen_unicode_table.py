#!/usr/bin/env python3
"""Writes the legacy encodings' data in engine/fonts/ from the tables the project keeps
beside it (../shared/unicode/panchari_unicode.tsv, mltt_unicode.tsv): what each 8-bit
code stands for in Unicode Malayalam, and the font names of the encoding (the list at
the end of each table).
Usage:
  gen_unicode_table.py values ENCODING TSV > engine/fonts/<encoding>_unicode_table.inc
  gen_unicode_table.py names ENCODING TSV > engine/fonts/<encoding>_font_names.inc"""
import sys

what, encoding, path = sys.argv[1:4]
lines = open(path, encoding="utf-8").read().splitlines()

if what == "names":
    at = next(i for i, line in enumerate(lines) if line.startswith("# font names"))
    names = [line[4:].strip() for line in lines[at + 1:] if line.startswith("#   ")]
    assert names and len(set(names)) == len(names), names
    print(f"// The font names of the {encoding} encoding, as its table lists them. Written by")
    print("// tools/gen_unicode_table.py from the table; the product's own data.")
    for name in names:
        assert '"' not in name and "\\" not in name, name
        print(f'    "{name}",')
    sys.exit(0)

rows = {}
for line in lines:
    if line.startswith("#") or not line.strip():
        continue
    code, value, text, how = (line.split("\t") + ["", "", "", ""])[:4]
    rows[int(code, 16)] = (value, text, how)
assert len(rows) == 256, len(rows)

print(f"// What each code of the {encoding} encoding stands for in Unicode Malayalam, one row")
print("// per code: up to five code points, or no value (kept as typed, counted), or the")
print("// doubling mark. Written by tools/gen_unicode_table.py from the encoding's table;")
print("// the product's own data.")
print("// clang-format off")
for code in range(256):
    value, text, how = rows[code]
    if value == "-":
        entry = "{kNoValue, {}}"
    elif value == "GEMINATE":
        entry = "{kGeminate, {}}"
    else:
        points = [int(v[2:], 16) for v in value.split()]
        assert 1 <= len(points) <= 5
        entry = "{" + str(len(points)) + ", {" + ", ".join(f"0x{p:04X}" for p in points) + "}}"
    name = text if how not in ("control",) else "control"
    if code == 0x20:
        name = "space"
    print(f"    {entry},  // 0x{code:02X} {name}")
print("// clang-format on")
