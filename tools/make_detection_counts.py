#!/usr/bin/env python3
"""Writes the character statistics that tell legacy Malayalam typed in an ordinary font
from the Latin text it looks like (encodings/detection/*.tsv), from Debian's word lists:
  english_trigrams.tsv   letter trigrams of /usr/share/dict/american-english (wamerican)
  malayalam_bigrams.tsv  code point bigrams of /usr/share/hunspell/ml_IN.dic (hunspell-ml)
Each word counts once, with its beginning and end as a symbol of their own. The build
makes the model from these files (cmake/detection_model.cmake).
Usage: tools/make_detection_counts.py [OUTPUT_DIR]"""
import collections, os, sys, unicodedata

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "encodings", "detection")

def english_symbol(c):  # 0 the word's edge, 1-26 a-z, 27 an apostrophe
    return 27 if c == "'" else ord(c) - ord("a") + 1

english = collections.Counter()
words = 0
for line in open("/usr/share/dict/american-english", encoding="utf-8"):
    word = line.strip().lower()
    if not word or any(not ("a" <= c <= "z" or c == "'") for c in word):
        continue
    words += 1
    s = [0, 0] + [english_symbol(c) for c in word] + [0]
    for i in range(2, len(s)):
        english[(s[i - 2] * 28 + s[i - 1]) * 28 + s[i]] += 1

CHILLU = {0x0D23: 0x0D7A, 0x0D28: 0x0D7B, 0x0D30: 0x0D7C, 0x0D32: 0x0D7D, 0x0D33: 0x0D7E, 0x0D15: 0x0D7F}

def malayalam(word):
    """The word as the engine writes Malayalam: NFC, atomic chillus, no joiners."""
    word = unicodedata.normalize("NFC", word)
    points, i = [], 0
    while i < len(word):
        c = ord(word[i])
        if c in CHILLU and word[i + 1:i + 3] == "\u0d4d\u200d":
            points.append(CHILLU[c])
            i += 3
            continue
        if c not in (0x200C, 0x200D):
            points.append(c)
        i += 1
    return points

ml = collections.Counter()
ml_words = 0
with open("/usr/share/hunspell/ml_IN.dic", encoding="utf-8") as f:
    next(f)  # the word count
    for line in f:
        word = line.strip().split("/")[0]
        points = malayalam(word)
        if not points or any(not 0x0D00 <= p <= 0x0D7F for p in points):
            continue
        ml_words += 1
        s = [0] + [p - 0x0D00 + 1 for p in points] + [0]
        for i in range(1, len(s)):
            ml[s[i - 1] * 130 + s[i]] += 1

def write(name, source, counter, n):
    with open(os.path.join(out, name), "w", encoding="utf-8") as f:
        f.write(f"# {source}; {n} words. index<TAB>count. Written by tools/make_detection_counts.py.\n")
        for k in sorted(counter):
            f.write(f"{k}\t{counter[k]}\n")

write("english_trigrams.tsv", "Letter trigrams (symbols 0 edge, 1-26 a-z, 27 apostrophe; index (a*28+b)*28+c) "
      "of Debian's wamerican /usr/share/dict/american-english (public domain word list, SCOWL)", english, words)
write("malayalam_bigrams.tsv", "Code point bigrams (symbols 0 edge, 1-128 U+0D00-U+0D7F; index a*130+b) of "
      "Debian's hunspell-ml /usr/share/hunspell/ml_IN.dic (Santhosh Thottingal, GPL-3+), NFC, atomic chillus, "
      "joiners dropped", ml, ml_words)
