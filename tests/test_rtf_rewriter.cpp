#include <gtest/gtest.h>

#include "../bench/sample_document.h"
#include "conversion_pass.h"
#include "model/document.h"
#include "convert/rtf_rewriter.h"
#include "test_support.h"

using namespace tolvarin;

namespace {

struct Rewritten {
    RewriteResult result;
    std::string rtf;
};

Rewritten rewrite(std::string_view rtf) {
    Rewritten r;
    RtfRewrite rewriter(rtf);
    r.result = rewriter.check();
    if (r.result) r.result = rewriter.write([&r](std::string_view piece) { r.rtf.append(piece); });
    return r;
}

std::string repeated(std::string_view s, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
}

const std::string kHead = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset0 PANCHARI;}}";
const std::string kHeadOut = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset0 ML-TTRevathi;}}";

struct Case {
    const char* what;
    std::string in;
    std::string out;
    std::size_t converted;
};

}  // namespace

// Exactly what changes: the source-font characters and the font table entry, each
// written in the form its source had; every other byte stays.
TEST(Rewriter, ChangesOnlyTheSourceText) {
    const Case cases[] = {
        {"nothing in the source font: byte for byte", kHead + "\\f0 plain {\\b x}\\bin2 }{\r\n\\par}",
         kHead + "\\f0 plain {\\b x}\\bin2 }{\r\n\\par}", 0},
        {"plain text, hex and escapes", kHead + "\\f1 Ab\\'b5d}", kHeadOut + "\\f1 \\'a1zI\\{}", 4},
        {"three codes ending in a backslash", kHead + "\\f1 y}", kHeadOut + "\\f1 Xv\\\\}", 1},
        {"line ends kept", kHead + "\\f1 A\r\nB}", kHeadOut + "\\f1 \\'a1\r\n\\'a7}", 2},
        {"a plain result after a bare control word is escaped", kHead + "\\f1\\b0b}", kHeadOut + "\\f1\\b0\\'7a}", 1},
        // Another font's character is the user's text: it never completes a pair.
        {"no pair across a font change", kHead + "\\f1\\'cc\\f0\\'ee x}", kHeadOut + "\\f1_\\f0\\'ee x}", 1},
        {"no pair across a group end into another font", kHead + "{\\f1\\b \\'cc}\\'ef}",
         kHeadOut + "{\\f1\\b _}\\'ef}", 1},
        {"a pair across a group end in one font", kHead + "\\f1{\\b \\'cc}\\'ef}", kHeadOut + "\\f1{\\b \\'bb}}", 2},
        {"a pair across two names of one encoding", "{\\rtf1{\\fonttbl{\\f1 PANCHARI;}{\\f2 Manorama;}}\\f1\\'cc\\f2\\'ef}",
         "{\\rtf1{\\fonttbl{\\f1 \\fcharset0 ML-TTRevathi;}{\\f2 \\fcharset0 ML-TTRevathi;}}\\f1\\'bb\\f2 }", 2},
        {"a second half right after a \\* leaves an empty group, so the \\* still names nothing",
         kHead + "\\f1\\'cc{\\*\\'ef\\foo x}}", kHeadOut + "\\f1\\'bb{\\*{}\\foo \\'e4}}", 3},
        {"a footnote is a stream of its own", kHead + "\\f1\\'cc{\\footnote \\'ef}\\'ee}",
         kHeadOut + "\\f1\\'ba{\\footnote ve}}", 3},
        {"\\uN keeps its form and the \\ucN in effect", kHead + "\\f1\\uc1\\u204?\\uc0\\u204 \\uc2\\u65??}",
         kHeadOut + "\\f1\\uc1\\u95\\'5f\\uc0\\u95 \\uc2\\u161\\'a1?}", 3},
        {"\\uN\\'hh runs: a pair across a line end, and text beside them keeping its form",
         kHead + "\\f1\\u-3892\\'cc\r\n\\u-3858\\'ee\\'31\\'31\\u-3924\\'ac\\'31\\'31b}",
         kHeadOut + "\\f1\\u186\\'ba\r\n\\'31\\'31\\u69\\'45\\u117\\'75\\'311z}", 8},
        {"symbol charset: \\uF0xx is code xx",
         "{\\rtf1{\\fonttbl{\\f1\\fcharset2 PANCHARI;}}\\f1\\u-3895?}",
         "{\\rtf1{\\fonttbl{\\f1\\fcharset2 \\fcharset0 ML-TTRevathi;}}\\f1\\u93\\'5d}", 1},
        {"Mac charset: the bytes are the font's codes", "{\\rtf1{\\fonttbl{\\f1\\fcharset77 PANCHARI;}}\\f1\\'c9}",
         "{\\rtf1{\\fonttbl{\\f1\\fcharset77 \\fcharset0 ML-TTRevathi;}}\\f1]}", 1},
        {"field instruction kept, result converted",
         kHead + "\\f1{\\field{\\*\\fldinst HYPERLINK \"A\"}{\\fldrslt A}}}",
         kHeadOut + "\\f1{\\field{\\*\\fldinst HYPERLINK \"A\"}{\\fldrslt \\'a1}}}", 1},
        {"pictures and document data are not text", kHead + "\\f1{\\pict\\wmetafile8 41}{\\*\\themedata 41}A}",
         kHeadOut + "\\f1{\\pict\\wmetafile8 41}{\\*\\themedata 41}\\'a1}", 1},
        {"unknown destinations are text", kHead + "\\f1{\\*\\unknownword{\\header A}}}",
         kHeadOut + "\\f1{\\*\\unknownword{\\header \\'a1}}}", 1},
        {"a page style's name is a name, its header text",
         kHead + "\\f1{\\*\\pgdsctbl{\\pgdsc0\\pgdscnxt0 A;{\\header A}}}}",
         kHeadOut + "\\f1{\\*\\pgdsctbl{\\pgdsc0\\pgdscnxt0 A;{\\header \\'a1}}}}", 1},
        {"a closing brace too many, and text after it",
         "{\\rtf1\\deff1{\\fonttbl{\\f1 PANCHARI;}} A}}A", "{\\rtf1\\deff1{\\fonttbl{\\f1 \\fcharset0 ML-TTRevathi;}} \\'a1}}\\'a1",
         3},
        {"no final brace", kHead + "\\f1 A", kHeadOut + "\\f1 \\'a1", 1},
        {"a later font table, past where the check stopped: names read ahead through \\'hh and \\uN",
         kHead + "\\f1 A{\\fonttbl{\\f2 PAN\\'43HARI;}{\\f3 P\\u65\\'41NCHARI;}}\\f2 A\\f3 A}",
         kHeadOut + "\\f1 \\'a1{\\fonttbl{\\f2 \\fcharset0 ML-TTRevathi;}{\\f3 \\fcharset0 ML-TTRevathi;}}\\f2 \\'a1\\f3 \\'a1}",
         3},
        // What the glyph rules leave open: 0x60 is RI; a la sign or doubling mark after a
        // consonant it completes no pair with is the virama and la, or the consonant again.
        {"0x60 is RI", kHead + "\\f1 `}", kHeadOut + "\\f1 E}", 1},
        {"a la sign after a consonant, in text, hex and \\uN", kHead + "\\f1 \\'c8\\'ef{\\uc2\\u200??\\u239??}}",
         kHeadOut + "\\f1 \\\\ve{\\uc2\\u92\\'5c?\\u118\\'76?\\u101\\'65?}}", 4},
        {"a doubling mark after a conjunct", kHead + "\\f1\\'82\\'ee}", kHeadOut + "\\f1\\'a8vN}", 2},
        {"so both do last in the text, after other characters", kHead + "\\f1 A\\'c8\\'ef\\par A\\'c8\\'ee}",
         kHeadOut + "\\f1 \\'a1\\\\ve\\par \\'a1\\\\v\\\\}", 6},
        {"a la sign after a space is the virama and la too", kHead + "\\f1 \\'c8 \\'ef}", kHeadOut + "\\f1 \\\\ ve}", 3},
        {"so it is as \\uN, in that form", kHead + "\\f1 \\'c8 \\u239? }",
         kHeadOut + "\\f1 \\\\ \\u118\\'76\\u101\\'65 }", 4},
        {"a la sign at a batch's edge", kHead + "\\f1 " + std::string(1023, 'a') + "\\'c8\\'ef}",
         kHeadOut + "\\f1 " + repeated("\\'e2", 1023) + "\\\\ve}", 1025},
        // A tab or a paragraph mark in the font is no character converted.
        {"characters that map to themselves keep their bytes", kHead + "\\f1{\\listtext 1.\\tab}12\\par}",
         kHeadOut + "\\f1{\\listtext 1.\\tab}12\\par}", 4},
        // Nothing counted, nothing changed: not even the font table, in either mode.
        {"only tabs and control codes in the font: byte for byte", kHead + "\\f1\t\\'09\\'01\\u9?\\par}",
         kHead + "\\f1\t\\'09\\'01\\u9?\\par}", 0},
    };
    for (const Case& c : cases) {
        Rewritten r = rewrite(c.in);
        ASSERT_TRUE(r.result.ok) << c.what << ": " << r.result.description;
        EXPECT_EQ(r.rtf, c.out) << c.what;
        EXPECT_EQ(r.result.counts.totalConverted(), c.converted) << c.what;
        if (c.converted == 0) {
            std::string unicodeOut;
            const ConversionReport unicode = test::convert(c.in, unicodeOut, test::unicodeOptions());
            EXPECT_TRUE(unicode.ok && unicodeOut == c.in) << c.what << " (Unicode)";
        }
    }
}

// Where PANCHARI text stands decides what becomes of it: one list for the converter's
// output and for the body text the window's reader takes.
TEST(Rewriter, EachKindOfDestination) {
    const struct {
        const char* what;
        std::string group;  // holds the one PANCHARI character A
        bool converted;     // A becomes \'a1
        bool body;          // the reader's body text has A
    } cases[] = {
        {"body", "A", true, true},
        {"header", "{\\header A}", true, false},
        {"footnote", "{\\footnote A}", true, false},
        {"shape text", "{\\shp{\\*\\shpinst{\\sp{\\sn x}{\\sv 1}}{\\shptxt A}}}", true, false},
        {"\\ud, the Unicode twin", "{\\*\\ud A}", true, false},
        {"field result", "{\\field{\\*\\fldinst PAGE}{\\fldrslt A}}", true, true},
        {"field instruction", "{\\field{\\*\\fldinst A}{\\fldrslt }}", false, false},
        {"page style's name", "{\\*\\pgdsctbl{\\pgdsc0\\pgdscnxt0 A;}}", false, false},
        {"page style's header", "{\\*\\pgdsctbl{\\pgdsc0 N;{\\header A}}}", true, false},
        {"unknown \\* destination", "{\\*\\unknownword A}", true, false},
        {"\\* before a word that names no destination", "{\\*\\rtf A}", true, false},
        {"a font table's names", "{\\fonttbl{\\f5 A;}}", false, false},
    };
    for (const auto& c : cases) {
        const std::string in = kHead + "\\f1 " + c.group + "}";
        Rewritten r = rewrite(in);
        ASSERT_TRUE(r.result.ok) << c.what << ": " << r.result.description;
        // With nothing converted the document comes out as it went in, its font table too.
        std::string expected = c.converted ? kHeadOut + "\\f1 " + c.group + "}" : in;
        if (c.converted) expected.replace(expected.rfind('A'), 1, "\\'a1");
        EXPECT_EQ(r.rtf, expected) << c.what;
        EXPECT_EQ(r.result.counts.totalConverted(), c.converted ? 1u : 0u) << c.what;
        Document doc;
        ASSERT_TRUE(doc.setRtf(in).ok) << c.what;
        EXPECT_EQ(doc.text().find(u'A') != std::u16string::npos, c.body) << c.what;
    }
}

TEST(Rewriter, RefusesWhatIsNotRtfOrIsDamaged) {
    EXPECT_EQ(rewrite("Hello").result.description, "not an RTF document");
    Rewritten bad = rewrite(kHead + "\\f1 A\\'zz}");
    EXPECT_FALSE(bad.result.ok);
    EXPECT_NE(bad.result.description.find("hexadecimal"), std::string::npos);
    EXPECT_TRUE(bad.rtf.empty()) << "nothing is written for a document that does not read";
}

// Peer documents (none in the source font) come out exactly as they went in.
TEST(Rewriter, CorpusComesOutByteForByte) {
    if (!std::filesystem::is_directory(test::corpusDir())) GTEST_SKIP() << "no peer corpus beside the project";
    int identical = 0, total = 0;
    for (const std::filesystem::path& file : test::corpusFiles()) {
        ++total;
        const std::string in = test::readFile(file);
        Rewritten r = rewrite(in);
        if (!r.result) {
            EXPECT_EQ(r.result.description, "not an RTF document") << file;
            continue;
        }
        EXPECT_EQ(r.rtf, in) << file;
        identical += r.rtf == in;
    }
    EXPECT_EQ(total, 333);
    EXPECT_GE(identical, 328);
    RecordProperty("identical", identical);
}

// The saved file reads back as exactly what the pass's walk built: the same
// characters with the same font, bold, italic, underline and size.
TEST(Rewriter, AgreesWithTheWalk) {
    std::vector<std::pair<std::string, std::string>> documents;
    for (const char* name : {"wordpad_style.rtf", "word_style.rtf", "libreoffice_style.rtf"})
        documents.emplace_back(name, test::readFile(test::dataDir() / name));
    documents.emplace_back("letter.rtf", test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf"));
    documents.emplace_back("generated", bench::makePanchariDocument(200 * 1024));
    test::TempDir dir;
    for (const auto& [name, rtf] : documents) {
        Document source, working, walked;
        ASSERT_TRUE(source.setRtf(rtf).ok) << name;
        WindowlessHost host(dir.path() / "out.rtf");
        PassOutcome outcome = runConversionPass(source, working, walked, host);
        ASSERT_EQ(outcome.status, PassOutcome::Status::Saved) << name << ": " << outcome.error;
        EXPECT_GT(outcome.converted(), 0u) << name;
        Document saved;
        ASSERT_TRUE(saved.loadFile(dir.path() / "out.rtf").ok) << name;
        ASSERT_EQ(saved.text(), walked.text()) << name;
        for (std::size_t p = 1; p <= saved.length(); ++p) {
            ASSERT_EQ(saved.formatAt(p), walked.formatAt(p)) << name << " at " << p;
        }
    }
}

// Unicode: each syllable is written where its base glyph stood, with that glyph's
// formatting in both the complex-script and the Western half; the Unicode font joins
// the font table and the source font stays for codes with no Unicode value.
TEST(Rewriter, UnicodeSyllablesTakeTheirBaseGlyphsPlace) {
    const std::string head = kHead.substr(0, kHead.size() - 1) + "{\\f2\\fnil\\fcharset0 Noto Sans Malayalam;}}";
    auto run = [](const std::string& attributes, const std::string& text) {
        const std::string size = attributes.find("36") != std::string::npos ? "36" : "24";
        const bool bold = attributes.find('b') != std::string::npos, italic = attributes.find('i') != std::string::npos;
        return "{\\rtlch\\fcs1\\af2\\afs" + size + (bold ? "\\ab" : "") + (italic ? "\\ai" : "") +
               " \\ltrch\\fcs0\\f2\\fs" + size + (bold ? "\\b" : "") + (italic ? "\\i" : "") + "\\uc1 " + text + "}";
    };
    struct UnicodeCase {
        const char* what;
        std::string in, out;
        std::size_t unknown;
    } cases[] = {
        {"E sign and AA around the consonant join as O", "\\f1\\'e6\\'b5\\'de}", "\\f1" + run("", "\\u3349?\\u3402?") + "}", 0},
        {"a bold base takes its signs into its format", "\\f1\\'e6{\\b\\'b5}\\'de}",
         "\\f1{\\b" + run("b", "\\u3349?\\u3402?") + "}}", 0},
        {"size and italic in both halves", "\\f1\\fs36\\i\\'b5}", "\\f1\\fs36\\i" + run("36i", "\\u3349?") + "}", 0},
        {"a code with no value stays as typed; no sign moves across it", "\\f1\\'e6\\'80\\'b5}",
         "\\f1" + run("", "\\u3398?") + "\\'80" + run("", "\\u3349?") + "}", 1},
        {"another font ends the stretch", "\\f1\\'e6\\f0 x\\f1\\'b5}",
         "\\f1" + run("", "\\u3398?") + "\\f0 x\\f1" + run("", "\\u3349?") + "}", 0},
        {"a sign moving away from right after a \\* leaves an empty group in its place",
         "\\f1{\\*\\'e6\\foo \\'b5}}", "\\f1{\\*{}\\foo " + run("", "\\u3349?\\u3398?") + "}}", 0},
        {"so does a paragraph", "\\f1\\'e6\\par\\'b5}", "\\f1" + run("", "\\u3398?") + "\\par" + run("", "\\u3349?") + "}", 0},
        {"words and spaces of one format share a run; ASCII goes as it is", "\\f1\\'b5 \\'c9, {\\b\\'b5}}",
         "\\f1" + run("", "\\u3349? \\u3370?, ") + "{\\b" + run("b", "\\u3349?") + "}}", 0},
    };
    for (const UnicodeCase& c : cases) {
        Rewritten r;
        const std::string in = kHead + c.in;  // the rewrite reads it in place
        RtfRewrite rewriter(in, test::unicodeOptions());
        r.result = rewriter.check();
        ASSERT_TRUE(r.result.ok) << c.what;
        r.result = rewriter.write([&r](std::string_view piece) { r.rtf.append(piece); });
        EXPECT_EQ(r.rtf, head + c.out) << c.what;
        EXPECT_EQ(r.result.counts.totalKept(), c.unknown) << c.what;
    }
}

// A book-sized document goes through the Unicode conversion's second thread, with
// footnotes whose stretches end inside a paragraph's: it reads back as its own text in
// Unicode, comes out the same every time, and damage near its end fails the whole write.
TEST(Rewriter, LargeUnicodeDocumentReadsBackAsItsText) {
    std::string book = bench::makePanchariDocument(std::size_t(3) << 20);
    for (std::size_t at = book.find("\\par\n", 4096); at != std::string::npos; at = book.find("\\par\n", at + 40000)) {
        book.insert(at, "{\\footnote \\f1\\'e6\\'b5 \\'c9}");
        at += 40;
    }
    auto unicode = [](std::string_view rtf, std::string& out) {
        RtfRewrite rewriter(rtf, test::unicodeOptions());
        RewriteResult r = rewriter.check();
        if (r) r = rewriter.write([&out](std::string_view piece) { out.append(piece); });
        return r;
    };
    std::string first, second;
    ASSERT_TRUE(unicode(book, first).ok);
    ASSERT_TRUE(unicode(book, second).ok);
    EXPECT_TRUE(first == second) << "the output differs from run to run";
    Document in, out;
    ASSERT_TRUE(in.setRtf(book));
    ASSERT_TRUE(out.setRtf(first));
    const std::string text = test::unicodeText(in);
    EXPECT_GT(text.size(), std::size_t(3) << 20);
    EXPECT_TRUE(test::unicodeText(out) == text) << "the Unicode output does not read as the document's text";

    // A paragraph of a quarter of a million syllables, each a consonant with the E sign
    // typed before it, a space now and then, with nothing between them: it is converted
    // in parts, and reads the same.
    std::vector<std::uint8_t> consonants;
    std::uint8_t signE = 0;
    for (int c = 0x80; c < 256; ++c) {
        const UnicodeValue& v = panchariFont().encoding().value(std::uint8_t(c));
        if (v.length == 1 && v.points[0] >= 0x0D15 && v.points[0] <= 0x0D39) consonants.push_back(std::uint8_t(c));
        if (v.length == 1 && v.points[0] == 0x0D46 && !signE) signE = std::uint8_t(c);
    }
    ASSERT_TRUE(signE && !consonants.empty());
    auto hex = [](std::uint8_t c) { return std::string("\\'") + "0123456789abcdef"[c >> 4] + "0123456789abcdef"[c & 15]; };
    std::string paragraph = kHead + "\\f1 ", whole;
    for (std::size_t k = 0; k < 250000; ++k)
        paragraph += k % 7 == 6 ? std::string(" ") : hex(signE) + hex(consonants[k * 31 % consonants.size()]);
    paragraph += "}";
    ASSERT_TRUE(unicode(paragraph, whole).ok);
    ASSERT_TRUE(in.setRtf(paragraph));
    ASSERT_TRUE(out.setRtf(whole));
    EXPECT_TRUE(test::unicodeText(out) == test::unicodeText(in)) << "a long paragraph reads otherwise";

    std::string damaged = book.substr(0, book.size() - 20) + "\\'zz}", partial;
    const RewriteResult r = unicode(damaged, partial);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.description.find("hexadecimal"), std::string::npos) << r.description;
}

// PANCHARI, a family font and Arial side by side: to Unicode both legacy fonts convert
// and Arial stays; to ML-TTRevathi only PANCHARI converts, and the family's text and
// font entry stay byte for byte.
TEST(Rewriter, MixedLegacyFonts) {
    const std::string in = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 PANCHARI;}{\\f2 ML-TTKarthika Bold;}}"
                           "\\f1 \\'b5\\'cc\\'ee{\\f2  \\'e6\\'79}\\f0  Arial\\par\\f2 \\'eb\\'57\\par}";
    Rewritten ml = rewrite(in);
    ASSERT_TRUE(ml.result.ok);
    EXPECT_EQ(ml.rtf, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 \\fcharset0 ML-TTRevathi;}{\\f2 ML-TTKarthika Bold;}}"
                      "\\f1 I\\'ba{\\f2  \\'e6\\'79}\\f0  Arial\\par\\f2 \\'eb\\'57\\par}");
    EXPECT_EQ(ml.result.counts.totalConverted(), 3u);

    std::string out;
    const ConversionReport unicode = test::convert(in, out, test::unicodeOptions());
    ASSERT_TRUE(unicode.ok) << unicode.error;
    EXPECT_EQ(unicode.counts.converted[panchariFont().index()], 3u);
    EXPECT_EQ(unicode.counts.converted[mlttFont().index()], 5u) << "a paragraph mark is not counted";
    EXPECT_EQ(convertedByFontNote(unicode.counts), "3 PANCHARI and 5 ML-TT characters converted");
    Document doc;
    ASSERT_TRUE(doc.setRtf(out).ok);
    EXPECT_EQ(test::unicodeText(doc), "കബ്ബ ക്യു Arial\nനുണ\n");
    const std::size_t arial = doc.text().find(u"Arial");
    ASSERT_NE(arial, std::u16string::npos);
    EXPECT_EQ(doc.formatAt(arial + 1).font.name, "Arial");
    EXPECT_EQ(doc.formatAt(1).font.name, "Noto Sans Malayalam");
}
