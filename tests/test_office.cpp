// DOCX and ODT converted in place: hand-written packages in the forms Word and
// LibreOffice write, damaged and hostile packages, and the peer files.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "api/convert_document.h"
#include "core/document_kind.h"
#include "core/legacy_text.h"
#include "office/zip_headers.h"
#include "package_support.h"
#include "test_support.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace fs = std::filesystem;
using namespace tolvarin;
using tolvarin::test::readFile;
using namespace tolvarin::test;

// Each case converts to the expected text; the parts that did not change keep their
// compressed bytes, and a changed part keeps its bytes before the body.
TEST(Docx, HandWrittenCases) {
    for (const DocxCase& c : docxCases()) {
        SCOPED_TRACE(c.name);
        const std::string input = docx(c);
        std::string out;
        const ConversionReport r = test::convert(input, out, test::unicodeOptions());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_GT(r.converted(), 0u);
        std::string text;
        ASSERT_TRUE(unicodeTextOf(out, text).ok);
        EXPECT_EQ(text, c.expected);

        const auto before = zipMembers(input, true), after = zipMembers(out, true);
        ASSERT_EQ(before.size(), after.size());
        const auto plain = zipMembers(out, false);
        for (const auto& [name, bytes] : before) {
            const std::string& now = plain.at(name);
            if (name == "word/document.xml" || name == "word/comments.xml") {
                const std::string original = zipMembers(input, false).at(name);
                const std::size_t body = original.find("<w:body>");
                if (body != std::string::npos) {
                    EXPECT_EQ(now.substr(0, body), original.substr(0, body)) << name;
                }
                continue;
            }
            EXPECT_EQ(after.at(name), bytes) << name << " keeps its compressed bytes";
        }
        const std::string document = plain.at("word/document.xml");
        EXPECT_NE(document.find("w:cs=\"Noto Sans Malayalam\""), std::string::npos);
        EXPECT_NE(document.find("<w:lang w:bidi=\"ml-IN\"/>"), std::string::npos);
        if (std::string(c.name).find("field") != std::string::npos) {
            EXPECT_NE(document.find("> PAGE </w:instrText>"), std::string::npos) << "a field code is not text";
        }
    }
}

// Runs whose properties are written alike are edited alike only where Word finds them
// alike: a paragraph style's bold and size are repeated for the complex script in its
// runs, and not in the same runs of a plain paragraph.
TEST(Docx, RunsWrittenAlikeInOtherStyles) {
    const std::string styled = "<w:p><w:pPr><w:pStyle w:val=\"Big\"/></w:pPr>" + run(typed({0xB5})) + "</w:p>";
    const std::string plain = "<w:p>" + run(typed({0xDE})) + "</w:p>";
    const DocxCase c{"alike", plain + styled + plain + styled, {},
                     "<w:style w:type=\"paragraph\" w:styleId=\"Big\"><w:rPr><w:b/><w:sz w:val=\"28\"/></w:rPr></w:style>"};
    std::string out;
    const ConversionReport r = test::convert(docx(c), out, test::unicodeOptions());
    ASSERT_TRUE(r.ok) << r.error;
    const std::string document = zipMembers(out, false).at("word/document.xml");
    std::size_t at = document.find("<w:body>");
    for (const bool big : {false, true, false, true}) {
        const std::size_t end = document.find("</w:p>", at);
        ASSERT_NE(end, std::string::npos);
        const std::string paragraph = document.substr(at, end - at);
        EXPECT_EQ(paragraph.find("<w:bCs/>") != std::string::npos, big) << paragraph;
        EXPECT_EQ(paragraph.find("<w:szCs w:val=\"28\"/>") != std::string::npos, big) << paragraph;
        EXPECT_NE(paragraph.find("<w:lang w:bidi=\"ml-IN\"/>"), std::string::npos) << paragraph;
        at = end + 1;
    }
}

// The complex script's bold and italic follow the Western ones a run's glyphs had, off
// too: a run that turns them off under a bold italic heading gets the complex script's
// off-values, one that keeps them has them on.
TEST(Docx, BoldAndItalicOffUnderABoldStyle) {
    const std::string upright = "<w:r><w:rPr><w:rFonts w:ascii=\"PANCHARI\" w:hAnsi=\"PANCHARI\"/><w:b w:val=\"0\"/>"
                                "<w:i w:val=\"false\"/></w:rPr><w:t>" + typed({0xB5}) + "</w:t></w:r>";
    const std::string heading = "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/></w:pPr>" + upright + run(typed({0xDE})) + "</w:p>";
    // The same run properties under the plain style take no off-values: runs written alike
    // are edited alike only where they take the same edit.
    const std::string plain = "<w:p>" + upright + "</w:p>";
    const DocxCase c{"upright", heading + plain, {},
                     "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:rPr><w:b/><w:bCs/><w:i/><w:iCs/></w:rPr></w:style>"};
    std::string out;
    const ConversionReport r = test::convert(docx(c), out, test::unicodeOptions());
    ASSERT_TRUE(r.ok) << r.error;
    const std::string document = zipMembers(out, false).at("word/document.xml");
    const std::size_t second = document.find("</w:r>");
    ASSERT_NE(second, std::string::npos);
    const std::string first = document.substr(0, second), rest = document.substr(second);
    EXPECT_NE(first.find("<w:bCs w:val=\"false\"/>"), std::string::npos) << first;
    EXPECT_NE(first.find("<w:iCs w:val=\"false\"/>"), std::string::npos) << first;
    EXPECT_EQ(rest.find("<w:bCs w:val=\"false\"/>"), std::string::npos) << rest;
    EXPECT_EQ(rest.find("<w:iCs w:val=\"false\"/>"), std::string::npos) << rest;
    EXPECT_NE(rest.find("<w:i w:val=\"false\"/>"), std::string::npos) << "the plain paragraph's run keeps its own";
}

// ML-TTRevathi: a pair across two runs becomes one code in the first, the second
// run's text empties and stays; the font is renamed where it is named.
TEST(Docx, PairAcrossRunsToRevathi) {
    const DocxCase c{"pair", "<w:p>" + run(typed({0xDC})) + run(typed({0xEF})) + "</w:p>", {}};
    std::string out;
    const ConversionReport r = test::convert(docx(c), out, ConversionOptions{});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.converted(), 2u);
    const std::string document = zipMembers(out, false).at("word/document.xml");
    EXPECT_NE(document.find(">" + typed({0xC3}) + "</w:t>"), std::string::npos) << document;
    EXPECT_NE(document.find("<w:t xml:space=\"preserve\"></w:t>"), std::string::npos) << "the emptied run stays";
    EXPECT_EQ(document.find("PANCHARI"), std::string::npos);
    EXPECT_NE(document.find("w:ascii=\"ML-TTRevathi\""), std::string::npos);
}

// A long part is read and converted in two halves on two threads, and deflated in two
// pieces. Forced on a document of every case above, long enough to be deflated so, it
// must come out as reading it whole does, and unpack (checksum checked) as it should.
TEST(Packages, HalvesConvertAsWhole) {
    std::string body;
    while (body.size() < (std::size_t(9) << 19))
        for (const DocxCase& c : docxCases()) body += c.body;
    const auto& cases = docxCases();
    const std::string input = docx({"all", body, {}, cases[1].styles, cases[2].theme, cases[7].comments});
    for (bool unicode : {false, true}) {
        SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
        ConversionOptions whole = test::unicodeOptions(unicode), halves = whole;
        whole.halvesFrom = std::size_t(-1);
        halves.halvesFrom = 0;
        std::string a, b;
        const ConversionReport ra = test::convert(input, a, whole), rb = test::convert(input, b, halves);
        ASSERT_TRUE(ra.ok && rb.ok) << ra.error << rb.error;
        EXPECT_GT(ra.converted(), 30000u);
        EXPECT_EQ(rb.counts.converted, ra.counts.converted);
        EXPECT_EQ(rb.counts.kept, ra.counts.kept);
        EXPECT_EQ(zipMembers(b, false), zipMembers(a, false));
    }
}

// Damaged and hostile packages: a clear error, nothing converted.
TEST(Packages, BadInputIsRefused) {
    const std::string good = docx(docxCases()[0]);
    std::string bomb = good;
    // Claim, in the central directory, that the first member unpacks to 4 GiB.
    const std::size_t central = bomb.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    bomb.replace(central + 24, 4, "\xF0\xFF\xFF\xFF");
    // The main part's packed bytes damaged, and its checksum (in the central directory,
    // which the reading checks against) wrong: each read whole must still be refused.
    const std::string part = "word/document.xml";
    std::string scrambled = good, wrongSum = good;
    const std::size_t local = good.find(part) - 30, data =
        local + 30 + part.size() + (std::uint8_t(good[local + 28]) | std::uint8_t(good[local + 29]) << 8);
    for (std::size_t i = data + 4; i < data + 24; ++i) scrambled[i] = char(~scrambled[i]);
    wrongSum[good.rfind(part) - 46 + 16] ^= 0x5A;
    const struct {
        const char* what;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"a damaged zip", good.substr(0, good.size() / 2), "damaged"},
        {"a zip bomb", bomb, "more than 1 GiB"},
        {"a member's packed bytes damaged", scrambled, "word/document.xml is damaged"},
        {"a member's checksum wrong", wrongSum, "word/document.xml is damaged (CRC error)"},
        {"a path leaving the folder", makeZip({{"[Content_Types].xml", "<Types/>"}, {"../evil.xml", "x"}}), "leaves its folder"},
        {"a part that is not well-formed",
         makeZip({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", "<w:document " + std::string(kW) + "><w:body>"}}),
         "not well-formed"},
        {"an ODF package of another kind", makeZip({{"mimetype", "application/vnd.oasis.opendocument.graphics"}}),
         "an OpenDocument drawing, not a document Tolvarin converts"},
        {"a zip of something else", makeZip({{"readme.txt", "hello"}}),
         "a zip archive that holds no document, presentation or spreadsheet"},
        {"a presentation whose main part is not well-formed",
         makeZip({{"[Content_Types].xml", "<Types/>"}, {"ppt/presentation.xml", "<p:presentation/>"}}),
         "ppt/presentation.xml: not well-formed XML"},
        {"a binary workbook", makeZip({{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.bin", "\x83"}}),
         "an Excel binary workbook (.xlsb),"},
        {"an EPUB book", makeZip({{"mimetype", "application/epub+zip"}, {"OEBPS/content.opf", "<package/>"}}),
         "an EPUB book,"},
        {"an OpenDocument presentation without its content",
         makeZip({{"mimetype", "application/vnd.oasis.opendocument.presentation"}}), "has no content.xml"},
        {"a Java archive", makeZip({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0"}}), "a Java archive,"},
        {"an empty zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'), "an empty zip archive,"},
        {"an encrypted ODT",
         makeZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                  {"META-INF/manifest.xml", "<manifest:encryption-data/>"}, {"content.xml", "\x01\x02"}}),
         "password-protected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out;
        const ConversionReport r = test::convert(c.bytes, out, ConversionOptions{});
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
    EXPECT_EQ(documentKind(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32)),
              DocumentKind::Encrypted);
}

// ODT: spans, a paragraph's own text, a note and a header; LibreOffice's forms.
TEST(Odt, ConvertsSpansParagraphsAndHeaders) {
    const std::string ns =
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
        "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\"";
    const std::string faces = "<office:font-face-decls><style:font-face style:name=\"PANCHARI\" svg:font-family=\"PANCHARI\"/>"
                              "</office:font-face-decls>";
    const std::string content =
        "<?xml version=\"1.0\"?><office:document-content " + ns + ">" + faces +
        "<office:automatic-styles><style:style style:name=\"T1\" style:family=\"text\"><style:text-properties "
        "style:font-name=\"PANCHARI\" fo:font-weight=\"bold\"/></style:style></office:automatic-styles>"
        "<office:body><office:text><text:p text:style-name=\"Mal\">" + typed({0xE6}) +
        "<text:span text:style-name=\"T1\">" + typed({0xB5}) + "</text:span><text:s/>" + typed({0xB5}) +
        "</text:p><text:p>English</text:p></office:text></office:body></office:document-content>";
    const std::string styles =
        "<?xml version=\"1.0\"?><office:document-styles " + ns + ">" + faces +
        "<office:styles><style:style style:name=\"Mal\" style:family=\"paragraph\"><style:text-properties "
        "style:font-name=\"PANCHARI\" fo:font-size=\"14pt\"/></style:style></office:styles><office:master-styles>"
        "<style:master-page style:name=\"Standard\"><style:header><text:p text:style-name=\"Mal\">" + typed({0x64, 0xB5}) +
        "</text:p></style:header></style:master-page></office:master-styles></office:document-styles>";
    const std::string input = makeZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                                       {"content.xml", content},
                                       {"styles.xml", styles},
                                       {"Pictures/a.png", std::string(200, 'p')}});
    for (bool unicode : {false, true}) {
        SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
        std::string out;
        const ConversionReport r = test::convert(input, out, test::unicodeOptions(unicode));
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.converted(), 6u) << "five glyphs and the space of <text:s/>, as RTF and DOCX count it";
        const auto before = zipMembers(input, true), after = zipMembers(out, true);
        EXPECT_EQ(after.at("mimetype"), before.at("mimetype"));
        EXPECT_EQ(after.at("Pictures/a.png"), before.at("Pictures/a.png"));
        EXPECT_EQ(out.substr(30, 8), "mimetype") << "mimetype stays the first member, stored";
        const auto plain = zipMembers(out, false);
        if (unicode) {
            std::string text;
            ASSERT_TRUE(unicodeTextOf(out, text).ok);
            EXPECT_EQ(text, unicodeOf({0xE6, 0xB5}) + " " + unicodeOf({0xB5}) + "\nEnglish\n" + unicodeOf({0x64, 0xB5}) + "\n");
            EXPECT_NE(plain.at("content.xml").find("style:font-name-complex=\"Noto Sans Malayalam\""), std::string::npos);
            EXPECT_NE(plain.at("content.xml").find("style:font-weight-complex=\"bold\""), std::string::npos)
                << "the span's bold carries to the Malayalam text";
            EXPECT_NE(plain.at("styles.xml").find("style:font-size-complex=\"14pt\""), std::string::npos);
        } else {
            EXPECT_NE(plain.at("content.xml").find("svg:font-family=\"ML-TTRevathi\""), std::string::npos);
            EXPECT_NE(plain.at("styles.xml").find("svg:font-family=\"ML-TTRevathi\""), std::string::npos);
            EXPECT_EQ(plain.at("content.xml").find(typed({0xB5})), std::string::npos) << "no PANCHARI code is left as it was";
        }
    }
}

// Hand-written ODT, each case a fault LibreOffice's readers met: text converted to
// Unicode must show as it did, in the right size and font, in styles of names of its own.
TEST(Odt, HandWrittenCases) {
    const std::string ns =
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
        "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\"";
    const std::string symbols = std::string("\xEF\x80\xA0");  // U+F020, a space as a symbol font writes it
    const std::string panchari = "<style:style style:name=\"P\" style:family=\"text\"><style:text-properties "
                                 "style:font-name=\"PANCHARI\"/></style:style>";
    struct Case {
        const char* what;
        std::string automatic, body, styles;
        std::vector<std::string> expected;  // in the converted content.xml
    } cases[] = {
        {"a paragraph style of no text properties takes its size from its parent",
         panchari + "<style:style style:name=\"P1\" style:family=\"paragraph\" style:parent-style-name=\"Standard\">"
                    "<style:paragraph-properties fo:margin-left=\"1in\"/></style:style>",
         "<text:p text:style-name=\"P1\"><text:span text:style-name=\"P\">" + typed({0xB5}) + "</text:span></text:p>",
         "<style:style style:name=\"Standard\" style:family=\"paragraph\"><style:text-properties fo:font-size=\"11pt\"/>"
         "</style:style>",
         {"style:font-size-complex=\"11pt\""}},
        {"runs of spaces, leading ones too, written so that they show",
         panchari,
         "<text:p><text:span text:style-name=\"P\">" + symbols + symbols + typed({0xB5}) + symbols + symbols + symbols +
             typed({0xB5}) + "</text:span></text:p>",
         "",
         {"<text:s text:c=\"2\"/>" + unicodeOf({0xB5}) + " <text:s text:c=\"2\"/>" + unicodeOf({0xB5})}},
        {"a space element between converted text in a legacy paragraph style goes to the Unicode font",
         "<style:style style:name=\"L\" style:family=\"paragraph\"><style:text-properties style:font-name=\"PANCHARI\"/>"
         "</style:style>",
         "<text:p text:style-name=\"L\">" + typed({0xB5}) + "<text:s/>" + typed({0xB5}) + "</text:p>",
         "",
         {"<text:span text:style-name=\"TolvarinMl1\"><text:s/></text:span>"}},
        {"a style of the name the converted text would take keeps it; the new one takes another",
         panchari + "<style:style style:name=\"TolvarinMl1\" style:family=\"text\"/>",
         "<text:p><text:span text:style-name=\"P\">" + typed({0xB5}) + "</text:span></text:p>",
         "",
         {"<text:span text:style-name=\"TolvarinMl2\">", "style:name=\"TolvarinMl2\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string content = "<?xml version=\"1.0\"?><office:document-content " + ns +
                                    "><office:automatic-styles>" + c.automatic +
                                    "</office:automatic-styles><office:body><office:text>" + c.body +
                                    "</office:text></office:body></office:document-content>";
        const std::string styles = "<?xml version=\"1.0\"?><office:document-styles " + ns + "><office:styles>" +
                                   c.styles + "</office:styles></office:document-styles>";
        const std::string input = makeZip({{"mimetype", "application/vnd.oasis.opendocument.text"},
                                           {"content.xml", content},
                                           {"styles.xml", styles}});
        std::string out;
        const ConversionReport r = test::convert(input, out, test::unicodeOptions());
        ASSERT_TRUE(r.ok) << r.error;
        const std::string converted = zipMembers(out, false).at("content.xml");
        for (const std::string& expected : c.expected) EXPECT_NE(converted.find(expected), std::string::npos) << converted;
        const std::size_t first = converted.find("style:name=\"TolvarinMl1\"");
        EXPECT_EQ(converted.find("style:name=\"TolvarinMl1\"", first + 1), std::string::npos)
            << "no two styles of one name";
    }
}

// Every peer file that opens comes out as it went in (none is typed in a legacy
// font); every damaged one is refused with a reason.
TEST(Packages, PeerFilesComeOutUnchanged) {
    const fs::path dir = fs::path(TOLVARIN_CORPUS_DIR).parent_path() / "corpus-office";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no peer corpus at " << dir;
    std::size_t same = 0, refused = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = readFile(entry.path());
        if (documentKind(bytes) != DocumentKind::Package) continue;
        SCOPED_TRACE(entry.path().string());
        for (bool unicode : {false, true}) {
            std::string out;
            const ConversionReport r = test::convert(bytes, out, test::unicodeOptions(unicode));
            if (!r.ok) {
                EXPECT_FALSE(r.error.empty());
                refused += !unicode;
                continue;
            }
            EXPECT_EQ(out, bytes);
            same += !unicode;
        }
    }
    EXPECT_GT(same, 70u);
    EXPECT_GT(refused, 5u);
}

// Each member's local header and central entry say the same of it, whatever the producer
// set and whichever members change: each peer package, its most used font taken for
// PANCHARI so that its text converts (documents, presentations and spreadsheets), in
// both modes, and LibreOffice's own DOCX and ODT.
TEST(Packages, BothRecordsOfEveryMemberAgree) {
    const fs::path dir = fs::path(TOLVARIN_CORPUS_DIR).parent_path() / "corpus-office";
    std::vector<fs::path> files = {dataDir() / "office" / "letter.docx", dataDir() / "office" / "letter.odt"};
    for (const fs::path& corpus : {dir, dir.parent_path() / "corpus-slides-sheets"})
        if (fs::is_directory(corpus))
            for (const auto& entry : fs::recursive_directory_iterator(corpus))
                if (entry.is_regular_file()) files.push_back(entry.path());
    std::size_t converted = 0;
    for (const fs::path& file : files) {
        const std::string bytes = readFile(file);
        if (documentKind(bytes) != DocumentKind::Package) continue;
        SCOPED_TRACE(file.string());
        const FontsReport fonts = documentFonts(bytes);
        if (!fonts.ok || fonts.fonts.empty()) continue;
        const auto most = std::max_element(fonts.fonts.begin(), fonts.fonts.end(),
                                           [](const FontUse& a, const FontUse& b) { return a.characters < b.characters; });
        // Text already in a legacy font converts as it is; any other is taken for PANCHARI.
        if (most->legacy.empty() && !nameLegacyFont(most->name, "PANCHARI")) continue;
        for (bool unicode : {false, true}) {
            std::string out;
            const ConversionReport r = test::convert(bytes, out, test::unicodeOptions(unicode));
            if (!r.ok || r.converted() == 0) continue;
            converted += !unicode;
            EXPECT_EQ(ziprecords::disagreements(out), "") << (unicode ? "Unicode" : "ML-TTRevathi");
        }
        forgetLegacyFontNames();
    }
    EXPECT_GT(converted, fs::is_directory(dir) ? 150u : 1u);
}

// A signed document converts, with a warning; its macros and signature parts are kept
// as they were.
TEST(Docx, SignedAndMacroEnabled) {
    const DocxCase c{"signed", "<w:p>" + run(typed({0xB5})) + "</w:p>", {}};
    const std::string plain = docx(c);
    auto members = zipMembers(plain, false);
    Members withExtras;
    for (const auto& [name, content] : members) withExtras.emplace_back(name, content);
    withExtras.emplace_back("word/vbaProject.bin", std::string(500, '\x07'));
    withExtras.emplace_back("_xmlsignatures/sig1.xml", "<Signature/>");
    const std::string input = makeZip(withExtras);
    std::string out;
    const ConversionReport signedOne = test::convert(input, out);
    ASSERT_TRUE(signedOne.ok);
    ASSERT_EQ(signedOne.warnings.size(), 1u);
    EXPECT_NE(signedOne.warnings[0].find("signature no longer holds"), std::string::npos) << signedOne.warnings[0];
    const auto before = zipMembers(input, true), after = zipMembers(out, true);
    EXPECT_EQ(after.at("word/vbaProject.bin"), before.at("word/vbaProject.bin"));
    EXPECT_EQ(after.at("_xmlsignatures/sig1.xml"), before.at("_xmlsignatures/sig1.xml"));
    const ConversionReport unsignedOne = test::convert(plain, out);
    ASSERT_TRUE(unsignedOne.ok);
    EXPECT_TRUE(unsignedOne.warnings.empty());
}

// What the browser page shows of a document before converting it: each font with the
// first characters of its text, a legacy font's in Unicode Malayalam, the same whichever
// format holds the letter; and a font the user says is PANCHARI is sampled as PANCHARI.
TEST(Api, FontSamplesAgreeAcrossFormats) {
    std::string letter = readFile(fs::path(TOLVARIN_TEST_DATA) / ".." / ".." / "samples" / "letter.unicode.txt");
    std::replace(letter.begin(), letter.end(), '\n', ' ');
    letter.resize(letter.find(" Sample letter"));  // the last line is in Arial
    const std::vector<fs::path> files = {fs::path(TOLVARIN_TEST_DATA) / ".." / ".." / "samples" / "letter.rtf",
                                         dataDir() / "office" / "letter.docx", dataDir() / "office" / "letter.odt"};
    auto sampleOf = [](const FontsReport& report, std::string_view font) {
        for (const FontUse& use : report.fonts)
            if (use.name == font) return use.sample;
        return std::string("(no such font)");
    };
    std::string shortSample;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string bytes = readFile(file);
        const FontsReport whole = documentFontSamples(bytes, 1000);
        ASSERT_TRUE(whole.ok) << whole.error;
        EXPECT_EQ(sampleOf(whole, "PANCHARI"), letter);
        const FontsReport brief = documentFontSamples(bytes, 12);
        ASSERT_TRUE(brief.ok) << brief.error;
        const std::string sample = sampleOf(brief, "PANCHARI");
        EXPECT_FALSE(sample.empty());
        EXPECT_EQ(letter.compare(0, sample.size() - 6, sample, 0, sample.size() - 6), 0) << sample;
        if (shortSample.empty()) shortSample = sample;
        EXPECT_EQ(sample, shortSample);

        const std::string arial = sampleOf(whole, "Arial");
        ASSERT_TRUE(nameLegacyFont("Arial", "PANCHARI"));
        const std::string named = sampleOf(documentFontSamples(bytes, 1000), "Arial");
        forgetLegacyFontNames();
        EXPECT_EQ(arial.rfind("Sample letter", 0), 0u) << arial;
        EXPECT_NE(named, arial);
        EXPECT_EQ(named.find("Sample letter"), std::string::npos) << named;
    }
}
