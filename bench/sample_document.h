// A generated PANCHARI document of a given size, shaped like WordPad's output:
// paragraphs of 8-bit text with \'hh escapes, style changes and an Arial line now and then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tolvarin::bench {

// The same numbers on every run and platform, so that every document is the same.
struct Random {
    std::uint32_t seed = 12345;
    unsigned operator()() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    }
};

// `font` names the legacy font: the same kind of document typed in another font, such
// as ML-TTKarthika, has as many characters of the same kinds.
inline std::string makePanchariDocument(std::size_t targetBytes, const std::string& font = "PANCHARI") {
    std::string s =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f1\\fnil\\fcharset0 " + font + ";}{\\f2\\fnil\\fcharset0 Arial;}}\n"
        "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \\pard\\f1\\fs24 ";
    s.reserve(targetBytes + 256);
    Random next;
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

// The same kind of document as LibreOffice exports it: each PANCHARI glyph as \uN\'hh
// (a symbol-charset font's code c as U+F000 + c), runs in {\hich\afN\loch\fN ...}
// groups that restate their formatting, a page-style table, and the generator's name.
inline std::string makeLibreOfficeDocument(std::size_t targetBytes) {
    std::string s =
        "{\\rtf1\\ansi\\deff3\\adeflang1025\n"
        "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f1\\froman\\fprq2\\fcharset2 Symbol;}"
        "{\\f2\\fswiss\\fprq2\\fcharset0 Arial;}{\\f3\\froman\\fprq2\\fcharset0 Liberation Serif;}"
        "{\\f4\\fnil\\fprq0\\fcharset2 PANCHARI;}{\\f5\\fnil\\fprq2\\fcharset0 Liberation Sans;}}\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red128\\green128\\blue128;}\n"
        "{\\stylesheet{\\s0\\snext0\\hich\\af6\\loch\\f3\\fs24\\lang1081 Default Paragraph Style;}}"
        "{\\*\\generator LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2}\\deftab709\n"
        "{\\*\\pgdsctbl\n{\\pgdsc0\\pgdscuse451\\pgwsxn11906\\pghsxn16838\\marglsxn1134\\margrsxn1134"
        "\\margtsxn1134\\margbsxn1134\\pgdscnxt0 Default Page Style;}}\n"
        "\\formshade\\paperh16838\\paperw11906\\margl1134\\margr1134\\margt1134\\margb1134\\sectd\\sbknone\n"
        "\\pard\\plain \\s0\\hich\\af6\\loch\\f3\\fs24\\lang1081";
    s.reserve(targetBytes + 256);
    Random next;
    static const char hex[] = "0123456789abcdef";
    auto glyph = [&](unsigned code) {
        s += "\\u";
        s += std::to_string(int(0xF000 + code) - 65536);
        s += "\\'";
        s.push_back(hex[code >> 4]);
        s.push_back(hex[code & 15]);
    };
    std::size_t words = 0;
    bool bold = false, italic = false, underline = false;
    auto openRun = [&] {
        s += "{";
        s += bold ? "\\b" : "\\b0";
        s += italic ? "\\i" : "\\i0";
        s += underline ? "\\ul\\ulc0" : "\\ulnone";
        s += "\\hich\\af4\\loch\\f4\\fs24\\loch\n";
    };
    openRun();
    while (s.size() < targetBytes) {
        int length = 3 + int(next() % 6);
        for (int i = 0; i < length; ++i) {
            unsigned r = next();
            glyph(r % 4 == 0 ? unsigned('a' + r % 26) : 0xA1 + r % 0x4F);
        }
        glyph(' ');
        ++words;
        // LibreOffice closes the run and opens another wherever the formatting changes.
        const bool change = words % 97 == 0 || words % 97 == 5 || words % 41 == 0 || words % 41 == 3 ||
                            words % 120 == 0 || words % 1200 == 0;
        if (!change) continue;
        s += "}";
        if (words % 97 == 0) bold = true;
        if (words % 97 == 5) bold = false;
        if (words % 41 == 0) italic = underline = true;
        if (words % 41 == 3) italic = underline = false;
        if (words % 120 == 0) s += "\n\\par \\pard\\plain \\s0\\hich\\af6\\loch\\f3\\fs24\\lang1081";
        if (words % 1200 == 0)
            s += "{\\hich\\af5\\loch\\f5\\fs18\\loch\nPage footer line in Liberation Sans.}\n\\par \\pard\\plain "
                 "\\s0\\hich\\af6\\loch\\f3\\fs24\\lang1081";
        openRun();
    }
    s += "}\n\\par }\n";
    return s;
}

// The same kind of text as Word writes it in a DOCX's word/document.xml: paragraphs of
// runs, each with its w:rPr, PANCHARI codes as the Windows-1252 characters they are.
inline std::string makeDocxDocumentXml(std::size_t targetBytes) {
    std::string s =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
        "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" mc:Ignorable=\"w14\"><w:body>";
    s.reserve(targetBytes + 1024);
    Random next;
    // Windows-1252 above 0x9F is Latin-1: two bytes of UTF-8 each.
    auto put = [&](unsigned code) {
        s.push_back(char(0xC0 | (code >> 6)));
        s.push_back(char(0x80 | (code & 0x3F)));
    };
    std::size_t words = 0;
    bool bold = false;
    auto openRun = [&] {
        s += "<w:r><w:rPr><w:rFonts w:ascii=\"PANCHARI\" w:hAnsi=\"PANCHARI\"/>";
        if (bold) s += "<w:b/>";
        s += "<w:sz w:val=\"24\"/></w:rPr><w:t xml:space=\"preserve\">";
    };
    s += "<w:p w14:paraId=\"00000001\">";
    openRun();
    while (s.size() < targetBytes) {
        int length = 3 + int(next() % 6);
        for (int i = 0; i < length; ++i) {
            unsigned r = next();
            if (r % 4 == 0) s.push_back(char('a' + r % 26));
            else put(0xA1 + r % 0x4F);
        }
        s.push_back(' ');
        ++words;
        // Word splits runs where the formatting changes and for its revision marks.
        if (words % 97 == 0 || words % 97 == 5 || words % 13 == 0) {
            bold = words % 97 == 0 ? true : words % 97 == 5 ? false : bold;
            s += "</w:t></w:r>";
            openRun();
        }
        if (words % 120 == 0) {
            s += "</w:t></w:r></w:p><w:p>";
            openRun();
        }
    }
    s += "</w:t></w:r></w:p><w:sectPr/></w:body></w:document>";
    return s;
}

// English prose in ordinary fonts (Calibri, with headings in Times New Roman), as Word
// writes it: what finding legacy text in ordinary fonts reads and must leave alone.
inline std::string makeEnglishDocument(std::size_t targetBytes) {
    static const char* const vocabulary[] = {
        "the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "was", "with", "be", "by", "on",
        "not", "he", "this", "are", "or", "his", "from", "at", "which", "but", "have", "an", "had", "they", "you",
        "were", "their", "one", "all", "we", "can", "her", "has", "there", "been", "if", "more", "when", "will",
        "would", "who", "so", "no", "people", "church", "service", "morning", "hymn", "prayer", "reading",
        "committee", "meeting", "report", "account", "members", "village", "office", "letter", "received",
        "government", "district", "school", "children", "teacher", "parents", "festival", "temple", "river",
        "monsoon", "harvest", "market", "prices", "rubber", "coconut", "pepper", "fishermen", "boats", "coast",
        "hospital", "doctor", "medicine", "council", "election", "candidate", "votes", "results", "newspaper",
        "editor", "column", "Thursday", "Sunday", "January", "Kerala", "Kochi", "Thrissur", "Kottayam",
        "approximately", "responsibility", "acknowledgement", "schedule", "programme", "information",
    };
    std::string s =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Calibri;}"
        "{\\f1\\froman\\fcharset0 Times New Roman;}}\n"
        "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \\pard\\f0\\fs22 ";
    s.reserve(targetBytes + 256);
    Random next;
    std::size_t words = 0;
    bool sentenceStart = true;
    while (s.size() < targetBytes) {
        std::string word = vocabulary[next() % (sizeof vocabulary / sizeof *vocabulary)];
        if (sentenceStart && word[0] >= 'a' && word[0] <= 'z') word[0] = char(word[0] - 'a' + 'A');
        sentenceStart = false;
        s += word;
        ++words;
        const unsigned r = next() % 16;
        if (r == 0) {
            s += ". ";
            sentenceStart = true;
        } else if (r == 1) {
            s += ", ";
        } else {
            s += ' ';
        }
        if (words % 97 == 0) s += "\\b ";
        if (words % 97 == 5) s += "\\b0 ";
        if (words % 150 == 0) {
            s += ".\\par\n";
            sentenceStart = true;
        }
        if (words % 1500 == 0) s += "\\f1\\fs28 Chapter heading in Times New Roman\\par\n\\f0\\fs22 ";
    }
    s += "\\par\n}\n";
    return s;
}

}  // namespace tolvarin::bench
