// A generated PANCHARI document of a given size, shaped like WordPad's output:
// paragraphs of 8-bit text with \'hh escapes, style changes and an Arial line now and then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvarin::bench {


inline std::string makePanchariDocument(std::size_t targetBytes) {
    std::string s =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f1\\fnil\\fcharset0 PANCHARI;}{\\f2\\fnil\\fcharset0 Arial;}}\n"
        "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \\pard\\f1\\fs24 ";
    s.reserve(targetBytes + 256);
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    static const char hex[] = "0123456789abcdef";
    std::size_t words = 0;
    while (s.size() < targetBytes) {
        // A word of 3 to 8 characters, mostly from the upper half as typed Malayalam is.
        int length = 3 + int(next() % 6);
        for (int i = 0; i < length; ++i) {
            unsigned r = next();
            if (r % 4 == 0) {
                s.push_back(char('a' + r % 26));
            } else {
                unsigned code = 0xA1 + r % 0x4F;  // 0xA1-0xEF: consonants, vowel signs, pair halves
                s += "\\'";
                s.push_back(hex[code >> 4]);
                s.push_back(hex[code & 15]);
            }
        }
        s.push_back(' ');
        ++words;
        if (words % 97 == 0) s += "\\b ";
        if (words % 97 == 5) s += "\\b0 ";
        if (words % 41 == 0) s += "\\ul ";
        if (words % 41 == 3) s += "\\ulnone ";
        if (words % 120 == 0) s += "\\par\n";
        if (words % 1200 == 0) s += "\\f2\\fs18 Page footer line in Arial.\\par\n\\f1\\fs24 ";
    }
    s += "\\par\n}\n";
    return s;
}

}  // namespace tolvarin::bench
