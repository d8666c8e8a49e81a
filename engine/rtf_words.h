// Vocabulary the RTF reader and the converter share: control words that stand for a
// character, and the underline words.
#pragma once

#include <string_view>

#include "document.h"

namespace tolvarin {

struct CharacterWord {
    std::string_view word;
    char16_t value;
};

inline constexpr CharacterWord kCharacterWords[] = {
    {"par", kParagraphBreak}, {"sect", kParagraphBreak}, {"page", kParagraphBreak}, {"row", kParagraphBreak},
    {"nestrow", kParagraphBreak}, {"line", kLineBreak}, {"tab", kTab}, {"cell", kTab}, {"nestcell", kTab},
    {"lquote", u'\u2018'}, {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'},
    {"endash", u'\u2013'}, {"emdash", u'\u2014'}, {"bullet", u'\u2022'}, {"enspace", u'\u2002'},
    {"emspace", u'\u2003'}, {"qmspace", u'\u2005'}, {"zwj", u'\u200D'}, {"zwnj", u'\u200C'},
    {"ltrmark", u'\u200E'}, {"rtlmark", u'\u200F'},
};

inline constexpr std::string_view kUnderlineWords[] = {
    "ul",   "uld",      "uldash",    "uldashd",    "uldashdd",  "uldb",       "ulhwave", "ulldash", "ulth",
    "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",     "ulwave",
};

}  // namespace tolvarin
