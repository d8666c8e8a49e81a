#include "rtf/rtf_vocabulary.h"

#include <algorithm>
#include <array>
#include <utility>

#include "text/characters.h"
#include "text/codepage.h"
#include "text/dbcs.h"

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
    word("ab", RtfWord::ComplexBold), word("ai", RtfWord::ComplexItalic), word("afs", RtfWord::ComplexSize),
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

// Every control word has a slot of its own in a table built at compile time, found by
// a short hash of its letters: a lookup hashes a few bytes and compares one word.
// kSlots is a power of two well above the word count, so probes are short.
constexpr std::size_t kSlots = 1024;
constexpr std::size_t slotOf(std::string_view w) {
    std::uint64_t h = 0;
    for (char c : w) h = h * 0x01000193u + std::uint8_t(c);
    return std::size_t((h ^ (h >> 10)) & (kSlots - 1));
}

struct Table {
    std::array<Entry, kSlots> slots{};
    std::size_t longestProbe = 0;

    constexpr Table() {
        for (const Entry& e : kUnsorted) {
            std::size_t slot = slotOf(e.word), probe = 0;
            while (!slots[slot].word.empty()) {
                slot = (slot + 1) & (kSlots - 1);
                ++probe;
            }
            slots[slot] = e;
            longestProbe = std::max(longestProbe, probe);
        }
    }
};

constexpr Table kTable;

static_assert(kTable.longestProbe <= 2, "the table's slots collide too often: change slotOf");
static_assert(
    [] {
        for (std::size_t i = 0; i < kCount; ++i)
            for (std::size_t j = i + 1; j < kCount; ++j)
                if (kUnsorted[i].word == kUnsorted[j].word) return false;
        return true;
    }(),
    "a control word is listed twice");

}  // namespace

RtfWordMeaning lookUpRtfWord(std::string_view w) {
    if (w.empty()) return {};
    for (std::size_t slot = slotOf(w), probe = 0; probe <= kTable.longestProbe; ++probe) {
        const Entry& e = kTable.slots[slot];
        if (e.word.empty()) return {};
        if (e.word.size() == w.size()) {
            std::size_t i = 0;
            while (i < w.size() && e.word[i] == w[i]) ++i;
            if (i == w.size()) return e.meaning;
        }
        slot = (slot + 1) & (kSlots - 1);
    }
    return {};
}

int documentCodePage(RtfWord word, int parameter, int current) {
    switch (word) {
    case RtfWord::AnsiCodePage:
        if (parameter == 10001) return 932;  // Mac Japanese, as Shift-JIS
        return codePageUpperHalf(parameter) || isDoubleByteCodePage(parameter) ? parameter : current;
    case RtfWord::Mac: return 10000;
    case RtfWord::Pc: return 437;
    case RtfWord::Pca: return 850;
    default: return current;
    }
}

}  // namespace tolvarin
