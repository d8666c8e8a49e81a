#!/usr/bin/env python3
"""Wrote engine/fonts/panchari_unicode_table.inc and mltt_unicode_table.inc once from the
tables the project was given (panchari_unicode.tsv, mltt_unicode.tsv): what each 8-bit
code of the font stands for in Unicode Malayalam. The .inc files are the product's data
from then on; this script stays to show where they came from.
Usage: gen_unicode_table.py TSV > engine/fonts/panchari_unicode_table.inc"""
import sys

rows = {}
for line in open(sys.argv[1], encoding="utf-8"):
    if line.startswith("#") or not line.strip():
        continue
    code, value, text, how = (line.rstrip("\n").split("\t") + ["", "", "", ""])[:4]
    rows[int(code, 16)] = (value, text, how)
assert len(rows) == 256, len(rows)

print("// What each code of the PANCHARI font stands for in Unicode Malayalam, one row per")
print("// code: up to three code points, or no value (kept in PANCHARI, counted), or the")
print("// doubling mark. Written once by tools/gen_unicode_table.py; the product's own data.")
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
