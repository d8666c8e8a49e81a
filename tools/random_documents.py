#!/usr/bin/env python3
"""Writes random RTF documents that mix what a converter must get exactly right:
PANCHARI text as plain bytes, \\'hh and \\uN with fallbacks of every form, pairs and
pre-base signs across every boundary, other fonts between, groups of every kind of
destination, \\* groups, \\ucN, line ends inside words, stray braces, and damage.
Used to compare a change's outputs with an earlier build's (tools/compare_outputs.sh).

    python3 tools/random_documents.py FOLDER COUNT [SEED]
"""
import os
import random
import sys

PAIR_HALVES = [0xEE, 0xEF, 0xF0]
SIGNS = [0x64, 0x65, 0x66, 0xF9, 0x58, 0xA1, 0xED, 0xC5]  # pre-base signs, RA sign, virama...
LETTERS = list(range(0x41, 0x5B)) + list(range(0x61, 0x7B)) + list(range(0xA2, 0xFF))


def code(rng):
    r = rng.random()
    if r < 0.15:
        return rng.choice(PAIR_HALVES)
    if r < 0.35:
        return rng.choice(SIGNS)
    if r < 0.40:
        return rng.choice([0x20, 0x2E, 0x2C, 0x31, 0x7B, 0x7D, 0x5C, 0x3B])
    return rng.choice(LETTERS)


def written(rng, c, uc):
    """One character in one of the forms producers use."""
    r = rng.random()
    if c in (0x7B, 0x7D, 0x5C):
        return "\\" + chr(c)
    if r < 0.45 and 0x20 <= c < 0x80:
        return chr(c)
    if r < 0.7:
        return "\\'%02x" % c
    value = 0xF000 + c if rng.random() < 0.3 else {0x92: 0x2019, 0x93: 0x201C, 0x80: 0x20AC}.get(c, c)
    if value > 32767:
        value -= 65536
    fallback = "".join(rng.choice(["?", "\\'3f", "\\'%02x" % c, "\\bullet ", "x"]) for _ in range(uc))
    return "\\u%d%s%s" % (value, rng.choice(["", " "]), fallback)


def text(rng, depth, uc, fonts):
    out = []
    for _ in range(rng.randint(1, 40)):
        r = rng.random()
        if r < 0.55:
            out.append(written(rng, code(rng), uc))
        elif r < 0.62:
            out.append(rng.choice(["\r\n", "\n", "\\par ", "\\par\r\n", "\\line ", "\\tab ", "\\~", "\\-", "\\_"]))
        elif r < 0.70:
            out.append("\\f%d%s" % (rng.choice(fonts), rng.choice([" ", ""])))
        elif r < 0.74:
            uc = rng.choice([0, 1, 2])
            out.append("\\uc%d " % uc)
        elif r < 0.78:
            out.append(rng.choice(["\\b ", "\\b0 ", "\\i ", "\\ul ", "\\ulnone ", "\\fs28 ", "\\plain "]))
        elif r < 0.92:
            if depth < 4 and rng.random() < 0.4 / (depth + 1):
                out.append("{" + group(rng, depth + 1, uc, fonts) + "}")
        elif r < 0.95:
            out.append(rng.choice(["\\chftn ", "\\lquote ", "\\emdash ", "\\bin3 abc", "\\*", "\\'", "\\u", "}"]))
        else:
            out.append(rng.choice([" ", "  ", "ab", "\\hich\\af1\\loch\\f1 ", "\\dbch\\af2 "]))
    return "".join(out)


def group(rng, depth, uc, fonts):
    r = rng.random()
    inner = text(rng, depth, uc, fonts)
    if r < 0.35:
        return inner
    head = rng.choice([
        "\\header ", "\\footer ", "\\footnote ", "\\*\\shptxt ", "\\ud ", "\\upr ", "\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt ",
        "\\*\\fldinst ", "\\*\\unknownword ", "\\*\\pgdsctbl{\\pgdsc0\\pgdscuse195 Default;", "\\pict ", "\\object{\\result ",
        "\\listtext ", "\\*\\pnseclvl1 ", "\\shp{\\*\\shpinst{\\sp{\\sn x}{\\sv y}}", "\\stylesheet{\\s1 ", "\\info{\\title ",
        "\\*\\generator ", "\\nesttableprops ", "\\*\\d", "\\*\\rtf ",
    ])
    closes = head.count("{") - head.count("}")
    return head + inner + "}" * closes


def font_table(rng):
    entries, numbers = [], []
    for number in rng.sample(range(0, 12), rng.randint(1, 6)):
        name = rng.choice(["PANCHARI", "Panchari", "PANCHARI Bold", "Times New Roman", "Symbol", "ML-TTKarthika",
                           "ML-TTRevathi", "Arial", "MS Mincho", "\\'50ANCHARI", "PAN\\'43HARI", "\\u80 ANCHARI"])
        charset = rng.choice(["", "\\fcharset0", "\\fcharset2", "\\fcharset1", "\\fcharset128", "\\fcharset204"])
        sep = rng.choice([" ", "\r\n", ""])
        body = "\\f%d\\fnil%s%s%s;" % (number, charset, sep, name)
        entries.append("{" + body + "}" if rng.random() < 0.8 else body)
        numbers.append(number)
    if rng.random() < 0.15:
        entries.append("{\\*\\panose 02020603050405020304}")
    return "{\\fonttbl" + "".join(entries) + "}", numbers


def document(rng):
    table, fonts = font_table(rng)
    head = "{\\rtf1\\ansi%s\\deff%d%s" % (rng.choice(["", "\\ansicpg1252", "\\ansicpg1251", "\\ansicpg932"]),
                                         rng.choice(fonts), rng.choice(["", "\\uc1", "\\uc2"]))
    if rng.random() < 0.1:
        head += "{\\*\\generator LibreOffice/7.4}"
    body = "".join(text(rng, 0, 1, fonts) for _ in range(rng.randint(1, 8)))
    if rng.random() < 0.2:
        body += "\\f%d " % rng.choice(fonts) + "".join(written(rng, code(rng), 1) for _ in range(2000))
    if rng.random() < 0.1:
        body += "{\\fonttbl{\\f%d PANCHARI;}}" % rng.randint(0, 14)
    tail = "}" if rng.random() < 0.9 else rng.choice(["", "}}", "}garbage\\x"])
    return head + table + body + tail


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        with open(os.path.join(folder, "random_%04d.rtf" % i), "wb") as f:
            f.write(document(rng).encode("latin-1"))


if __name__ == "__main__":
    main()
