#include "rtf/rtf_vocabulary.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/document.h"

namespace tolvarin {
namespace {

struct Entry {
    std::string_view word;
    RtfWordMeaning meaning;
};

constexpr Entry word(std::string_view w, RtfWord meaning, char16_t value = 0) { return {w, {meaning, value}}; }
constexpr Entry data(std::string_view w) { return {w, {RtfWord::Data, 0}}; }

constexpr Entry kUnsorted[] = {
    word("rtf", RtfWord::Rtf),
    // Words that stand for a character.
    word("par", RtfWord::Char, kParagraphBreak), word("sect", RtfWord::Char, kParagraphBreak),
    word("page", RtfWord::Char, kParagraphBreak), word("row", RtfWord::Char, kParagraphBreak),
    word("nestrow", RtfWord::Char, kParagraphBreak), word("line", RtfWord::Char, kLineBreak),
    word("tab", RtfWord::Char, kTab), word("cell", RtfWord::Char, kTab), word("nestcell", RtfWord::Char, kTab),
    word("lquote", RtfWord::Char, u'\u2018'), word("rquote", RtfWord::Char, u'\u2019'),
    word("ldblquote", RtfWord::Char, u'\u201C'), word("rdblquote", RtfWord::Char, u'\u201D'),
    word("endash", RtfWord::Char, u'\u2013'), word("emdash", RtfWord::Char, u'\u2014'),
    word("bullet", RtfWord::Char, u'\u2022'), word("enspace", RtfWord::Char, u'\u2002'),
    word("emspace", RtfWord::Char, u'\u2003'), word("qmspace", RtfWord::Char, u'\u2005'),
    word("zwj", RtfWord::Char, u'\u200D'), word("zwnj", RtfWord::Char, u'\u200C'),
    word("ltrmark", RtfWord::Char, u'\u200E'), word("rtlmark", RtfWord::Char, u'\u200F'),
    word("chftn", RtfWord::FootnoteNumber, u'1'),
    // Characters in other forms, fonts and code pages.
    word("u", RtfWord::Unicode), word("uc", RtfWord::UnicodeSkip), word("f", RtfWord::Font),
    word("deff", RtfWord::DefaultFont), word("plain", RtfWord::Plain), word("ansicpg", RtfWord::AnsiCodePage),
    word("ansi", RtfWord::Ansi), word("mac", RtfWord::Mac), word("pc", RtfWord::Pc), word("pca", RtfWord::Pca),
    word("fcharset", RtfWord::FontCharset),
    // The formatting a converted Malayalam run restates in its complex-script form.
    word("b", RtfWord::Bold), word("i", RtfWord::Italic), word("fs", RtfWord::FontSize),
    word("ul", RtfWord::UnderlineOn), word("uld", RtfWord::UnderlineOn), word("uldash", RtfWord::UnderlineOn),
    word("uldashd", RtfWord::UnderlineOn), word("uldashdd", RtfWord::UnderlineOn), word("uldb", RtfWord::UnderlineOn),
    word("ulhwave", RtfWord::UnderlineOn), word("ulldash", RtfWord::UnderlineOn), word("ulth", RtfWord::UnderlineOn),
    word("ulthd", RtfWord::UnderlineOn), word("ulthdash", RtfWord::UnderlineOn),
    word("ulthdashd", RtfWord::UnderlineOn), word("ulthdashdd", RtfWord::UnderlineOn),
    word("ulthldash", RtfWord::UnderlineOn), word("ululdbwave", RtfWord::UnderlineOn),
    word("ulw", RtfWord::UnderlineOn), word("ulwave", RtfWord::UnderlineOn), word("ulnone", RtfWord::UnderlineOff),
    // Destinations.
    word("fonttbl", RtfWord::FontTable),
    // The label a list item shows ("1.", a bullet), written for readers that do not
    // number lists themselves; some producers put nested tables' cells in nesttableprops.
    word("fldrslt", RtfWord::SameStream), word("listtext", RtfWord::SameStream),
    word("pntext", RtfWord::SameStream), word("nesttableprops", RtfWord::SameStream),
    word("header", RtfWord::NewStream), word("headerl", RtfWord::NewStream), word("headerr", RtfWord::NewStream),
    word("headerf", RtfWord::NewStream), word("footer", RtfWord::NewStream), word("footerl", RtfWord::NewStream),
    word("footerr", RtfWord::NewStream), word("footerf", RtfWord::NewStream), word("footnote", RtfWord::NewStream),
    word("annotation", RtfWord::NewStream), word("shptxt", RtfWord::NewStream), word("shprslt", RtfWord::NewStream),
    word("dptxbxtext", RtfWord::NewStream), word("ftnsep", RtfWord::NewStream), word("ftnsepc", RtfWord::NewStream),
    word("ftncn", RtfWord::NewStream), word("aftnsep", RtfWord::NewStream), word("aftnsepc", RtfWord::NewStream),
    word("aftncn", RtfWord::NewStream),
    word("ud", RtfWord::NewStream),  // the Unicode twin of the group before it
    // LibreOffice's page styles hold a name each, and the style's header and footer.
    word("shpinst", RtfWord::Container), word("do", RtfWord::Container), word("background", RtfWord::Container),
    word("pgdsctbl", RtfWord::Container),
    word("object", RtfWord::Object), word("result", RtfWord::ObjectResult),
    // Groups whose bytes are data, names or instructions, never text to convert: hex
    // data in a font taken for PANCHARI would be ruined.
    data("colortbl"), data("stylesheet"), data("info"), data("listtable"), data("listoverridetable"),
    data("rsidtbl"), data("revtbl"), data("generator"), data("pict"), data("nonshppict"), data("shppict"),
    data("themedata"), data("colorschememapping"), data("datastore"), data("latentstyles"), data("xmlnstbl"),
    data("mmathPr"), data("fldinst"), data("objdata"), data("objclass"), data("objname"), data("objalias"),
    data("objsect"), data("oleclsid"), data("sp"), data("sn"), data("sv"), data("bkmkstart"), data("bkmkend"),
    data("atnid"), data("atnauthor"), data("atndate"), data("atnref"), data("atnparent"), data("atnicn"),
    data("atrfstart"), data("atrfend"), data("userprops"), data("docvar"), data("filetbl"), data("private"),
    data("template"), data("blipuid"), data("picprop"), data("falt"), data("panose"), data("fname"),
    data("fontemb"), data("fontfile"), data("listpicture"), data("expandedcolortbl"), data("passwordhash"),
    data("password"), data("xe"), data("tc"), data("tcn"), data("txe"), data("rxe"), data("pntxta"),
    data("pntxtb"), data("pn"), data("pnseclvl"), data("htmltag"), data("mhtmltag"), data("wgrffmtfilter"),
    data("defchp"), data("defpap"), data("pgptbl"), data("protusertbl"), data("oldcprops"), data("oldpprops"),
    data("oldtprops"), data("oldsprops"), data("fldtype"), data("datafield"), data("formfield"),
    data("mailmerge"), data("author"), data("title"), data("subject"), data("keywords"), data("comment"),
    data("doccomm"), data("company"), data("operator"), data("creatim"), data("revtim"), data("printim"),
    data("buptim"), data("hlinkbase"), data("category"), data("manager"), data("leveltext"),
    data("levelnumbers"), data("listname"), data("lfolevel"), data("fchars"), data("lchars"), data("xmlopen"),
    data("xmlclose"), data("xmlattrname"), data("xmlattrvalue"), data("xmlname"), data("xmlns"), data("hl"),
    data("hlfr"), data("hlsrc"), data("linkval"), data("keycode"), data("propname"), data("staticval"),
    data("nonesttables"), data("ebcstart"), data("ebcend"), data("factoidname"),
};

constexpr std::size_t kCount = std::size(kUnsorted);

// Sorted once, at compile time, with where each first letter's words begin: a word is
// found by a few comparisons, not by hashing it. Control words are ASCII letters.
struct Table {
    std::array<Entry, kCount> entries{};
    std::array<std::uint16_t, 27> from{};  // entries[from[c]..from[c + 1]) begin with 'a' + c

    constexpr Table() {
        for (std::size_t i = 0; i < kCount; ++i) entries[i] = kUnsorted[i];
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.word < b.word; });
        std::size_t i = 0;
        for (int c = 0; c < 26; ++c) {
            from[std::size_t(c)] = std::uint16_t(i);
            while (i < kCount && entries[i].word[0] == 'a' + c) ++i;
        }
        from[26] = std::uint16_t(i);
    }
};

constexpr Table kTable;

static_assert(kTable.from[26] == kCount, "every control word begins with a lower-case letter");
static_assert(
    [] {
        for (std::size_t i = 1; i < kCount; ++i)
            if (kTable.entries[i - 1].word == kTable.entries[i].word) return false;
        return true;
    }(),
    "a control word is listed twice");

}  // namespace

RtfWordMeaning lookUpRtfWord(std::string_view w) {
    if (w.empty() || w[0] < 'a' || w[0] > 'z') return {};
    const auto c = std::size_t(w[0] - 'a');
    const Entry* first = kTable.entries.data() + kTable.from[c];
    const Entry* last = kTable.entries.data() + kTable.from[c + 1];
    const Entry* it = std::lower_bound(first, last, w, [](const Entry& e, std::string_view key) { return e.word < key; });
    return it != last && it->word == w ? it->meaning : RtfWordMeaning{};
}

}  // namespace tolvarin
