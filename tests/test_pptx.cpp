// PPTX converted in place: each run's font found as PowerPoint finds it, through the
// shape, the layout, the master, the presentation and the theme; slides, notes,
// SmartArt and charts; every other member and byte kept.
#include <gtest/gtest.h>

#include <filesystem>

#include "api/convert_document.h"
#include "core/file_kind.h"
#include "office/xml_splice.h"
#include "text/utf8.h"
#include "office/package_conversion.h"
#include "package_support.h"

using namespace tolvarin;
using namespace tolvarin::test;
namespace fs = std::filesystem;

namespace {

const std::string kNs = "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                        "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string rels(const std::vector<std::pair<std::string, std::string>>& typeAndTarget) {
    std::string out = "<?xml version=\"1.0\"?><Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    int id = 1;
    for (const auto& [type, target] : typeAndTarget)
        out += "<Relationship Id=\"rId" + std::to_string(id++) + "\" Type=\"" + kRel + type + "\" Target=\"" + target + "\"/>";
    return out + "</Relationships>";
}

// A shape of text: `ph` its placeholder element (or empty), `lstStyle` inside its a:lstStyle.
std::string shape(const std::string& paragraphs, const std::string& ph = {}, const std::string& lstStyle = {}) {
    return "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"S\"/><p:cNvSpPr/><p:nvPr>" + ph +
           "</p:nvPr></p:nvSpPr><p:spPr/><p:txBody><a:bodyPr/><a:lstStyle>" + lstStyle + "</a:lstStyle>" + paragraphs +
           "</p:txBody></p:sp>";
}
std::string shapeTree(const std::string& shapes) {
    return "<p:cSld><p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
           "<p:grpSpPr/>" + shapes + "</p:spTree></p:cSld>";
}
std::string textRun(const std::string& text, const std::string& font = {}, const std::string& attributes = {}) {
    return "<a:r><a:rPr lang=\"en-US\"" + attributes + (font.empty() ? "/>" : "><a:latin typeface=\"" + font + "\"/></a:rPr>") +
           "<a:t>" + text + "</a:t></a:r>";
}
std::string paragraph(const std::string& runs, const std::string& pPr = {}) { return "<a:p>" + pPr + runs + "</a:p>"; }
std::string level1(const std::string& font) {
    return "<a:lvl1pPr><a:defRPr sz=\"2400\"><a:latin typeface=\"" + font + "\"/></a:defRPr></a:lvl1pPr>";
}

struct Deck {
    std::string slide;           // the slide's shapes
    std::string layout = {};     // the layout's shapes
    std::string master = {};     // the master's shapes
    std::string txStyles = {};   // inside the master's p:txStyles
    std::string defaultStyle = {};  // inside the presentation's p:defaultTextStyle
    std::string minorFont = "Calibri", majorFont = "Calibri Light";
    std::string notes = {};      // a notes slide's shapes, if any
    std::string notesStyle = {};  // inside the notes master's p:notesStyle
    std::string diagram = {};    // a SmartArt data part's points, if any
    std::string chart = {};      // a chart's title paragraphs, if any
};

std::string pptx(const Deck& d) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
    Members m;
    m.push_back({"[Content_Types].xml",
                 head + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
                        "PartName=\"/ppt/presentation.xml\" ContentType=\"application/"
                        "vnd.openxmlformats-officedocument.presentationml.presentation.main+xml\"/></Types>"});
    m.push_back({"_rels/.rels", rels({{"officeDocument", "ppt/presentation.xml"}})});
    m.push_back({"ppt/presentation.xml", head + "<p:presentation " + kNs + "><p:defaultTextStyle>" + d.defaultStyle +
                                             "</p:defaultTextStyle></p:presentation>"});
    m.push_back({"ppt/_rels/presentation.xml.rels",
                 rels({{"slideMaster", "slideMasters/slideMaster1.xml"}, {"slide", "slides/slide1.xml"},
                       {"theme", "theme/theme1.xml"}, {"notesMaster", "notesMasters/notesMaster1.xml"}})});
    m.push_back({"ppt/theme/theme1.xml",
                 head + "<a:theme " + kNs + " name=\"T\"><a:themeElements><a:fontScheme name=\"F\"><a:majorFont><a:latin "
                        "typeface=\"" + d.majorFont + "\"/></a:majorFont><a:minorFont><a:latin typeface=\"" + d.minorFont +
                        "\"/></a:minorFont></a:fontScheme></a:themeElements></a:theme>"});
    m.push_back({"ppt/slideMasters/slideMaster1.xml",
                 head + "<p:sldMaster " + kNs + ">" + shapeTree(d.master) + "<p:txStyles>" + d.txStyles +
                        "</p:txStyles></p:sldMaster>"});
    m.push_back({"ppt/slideMasters/_rels/slideMaster1.xml.rels",
                 rels({{"theme", "../theme/theme1.xml"}, {"slideLayout", "../slideLayouts/slideLayout1.xml"}})});
    m.push_back({"ppt/slideLayouts/slideLayout1.xml", head + "<p:sldLayout " + kNs + ">" + shapeTree(d.layout) + "</p:sldLayout>"});
    m.push_back({"ppt/slideLayouts/_rels/slideLayout1.xml.rels", rels({{"slideMaster", "../slideMasters/slideMaster1.xml"}})});
    m.push_back({"ppt/slides/slide1.xml", head + "<p:sld " + kNs + ">" + shapeTree(d.slide) + "</p:sld>"});
    std::vector<std::pair<std::string, std::string>> slideRels = {{"slideLayout", "../slideLayouts/slideLayout1.xml"}};
    if (!d.notes.empty()) slideRels.push_back({"notesSlide", "../notesSlides/notesSlide1.xml"});
    if (!d.diagram.empty()) slideRels.push_back({"diagramData", "../diagrams/data1.xml"});
    if (!d.chart.empty()) slideRels.push_back({"chart", "../charts/chart1.xml"});
    m.push_back({"ppt/slides/_rels/slide1.xml.rels", rels(slideRels)});
    m.push_back({"ppt/notesMasters/notesMaster1.xml",
                 head + "<p:notesMaster " + kNs + ">" + shapeTree("") + "<p:notesStyle>" + d.notesStyle +
                        "</p:notesStyle></p:notesMaster>"});
    m.push_back({"ppt/notesMasters/_rels/notesMaster1.xml.rels", rels({{"theme", "../theme/theme1.xml"}})});
    if (!d.notes.empty()) {
        m.push_back({"ppt/notesSlides/notesSlide1.xml", head + "<p:notes " + kNs + ">" + shapeTree(d.notes) + "</p:notes>"});
        m.push_back({"ppt/notesSlides/_rels/notesSlide1.xml.rels",
                     rels({{"notesMaster", "../notesMasters/notesMaster1.xml"}, {"slide", "../slides/slide1.xml"}})});
    }
    if (!d.diagram.empty())
        m.push_back({"ppt/diagrams/data1.xml",
                     head + "<dgm:dataModel xmlns:dgm=\"http://schemas.openxmlformats.org/drawingml/2006/diagram\" " + kNs +
                            "><dgm:ptLst>" + d.diagram + "</dgm:ptLst></dgm:dataModel>"});
    if (!d.chart.empty())
        m.push_back({"ppt/charts/chart1.xml",
                     head + "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" " + kNs +
                            "><c:chart><c:title><c:tx><c:rich><a:bodyPr/>" + d.chart +
                            "</c:rich></c:tx></c:title></c:chart></c:chartSpace>"});
    m.push_back({"ppt/media/image1.png", std::string(400, 'i')});
    return makeZip(m);
}

const std::string kMal = typed({0x6B, 0xB5});  // two PANCHARI letters
const std::string kPh = "<p:ph type=\"title\"/>";

}  // namespace

// Each place PowerPoint takes a run's font from, in both modes; a nearer place that
// names an ordinary font wins.
TEST(Pptx, FontsFoundAsPowerPointFindsThem) {
    const std::string uni = unicodeOf({0x6B, 0xB5});
    const struct Case {
        const char* what;
        Deck deck;
        std::string expected;
    } cases[] = {
        {"the run's own font", {shape(paragraph(textRun(kMal, "PANCHARI") + textRun(" English")))}, uni + " English\n"},
        {"the shape's list style", {shape(paragraph(textRun(kMal)), "", level1("PANCHARI"))}, uni + "\n"},
        {"the list style of the paragraph's level",
         {shape(paragraph(textRun(kMal), "<a:pPr lvl=\"1\"/>") + paragraph(textRun(kMal)), "",
                "<a:lvl2pPr><a:defRPr><a:latin typeface=\"PANCHARI\"/></a:defRPr></a:lvl2pPr>")},
         uni + "\n" + kMal + "\n"},
        {"the layout's placeholder, matched by number",
         {shape(paragraph(textRun(kMal)), "<p:ph idx=\"1\"/>"),
          shape(paragraph(textRun("x", "Arial")), "<p:ph type=\"body\" idx=\"1\"/>", level1("PANCHARI"))},
         uni + "\n"},
        {"the master's placeholder, matched by kind",
         {shape(paragraph(textRun(kMal)), kPh), "", shape(paragraph(textRun("x", "Arial")), kPh, level1("PANCHARI"))}, uni + "\n"},
        {"the master's title style, through the theme's major font",
         {shape(paragraph(textRun(kMal)), "<p:ph type=\"ctrTitle\"/>"), "", "",
          "<p:titleStyle>" + level1("+mj-lt") + "</p:titleStyle>", "", "Calibri", "PANCHARI"},
         uni + "\n"},
        {"the master's body style for a content placeholder",
         {shape(paragraph(textRun(kMal)), "<p:ph idx=\"2\"/>"), "", "", "<p:bodyStyle>" + level1("PANCHARI") + "</p:bodyStyle>"},
         uni + "\n"},
        {"a text box: the master's other style, then the presentation's default",
         {shape(paragraph(textRun(kMal))), "", "", "", level1("PANCHARI")}, uni + "\n"},
        {"the theme's minor font", {shape(paragraph(textRun(kMal))), "", "", "", "", "PANCHARI"}, uni + "\n"},
        {"a run naming an ordinary font in a legacy shape stays",
         {shape(paragraph(textRun(kMal, "Arial")), "", level1("PANCHARI"))}, kMal + "\n"},
        {"a table cell and a group's shape",
         {"<p:grpSp><p:nvGrpSpPr/><p:grpSpPr/>" + shape(paragraph(textRun(kMal, "PANCHARI"))) +
          "</p:grpSp><p:graphicFrame><a:graphic><a:graphicData><a:tbl><a:tr><a:tc><a:txBody><a:bodyPr/>" +
          paragraph(textRun(kMal, "PANCHARI")) + "</a:txBody></a:tc></a:tr></a:tbl></a:graphicData></a:graphic></p:graphicFrame>"},
         uni + "\n" + uni + "\n"},
        {"a line break within a paragraph, and a field left as PowerPoint writes it",
         {shape(paragraph(textRun(kMal, "PANCHARI") + "<a:br><a:rPr lang=\"en-US\"/></a:br><a:fld id=\"{1}\" type=\"slidenum\">"
                          "<a:rPr lang=\"en-US\"><a:latin typeface=\"PANCHARI\"/></a:rPr><a:t>" + kMal + "</a:t></a:fld>" +
                          textRun(kMal, "PANCHARI")))},
         uni + "\n" + uni + "\n"},
        {"notes, in the notes master's style",
         {"", "", "", "", "", "Calibri", "Calibri Light", shape(paragraph(textRun(kMal)), "<p:ph type=\"body\" idx=\"1\"/>"),
          level1("PANCHARI")},
         uni + "\n"},
        {"SmartArt text and a chart's title",
         {"", "", "", "", "", "Calibri", "Calibri Light", "", "",
          "<dgm:pt modelId=\"1\"><dgm:t><a:bodyPr/>" + paragraph(textRun(kMal, "PANCHARI")) + "</dgm:t></dgm:pt>",
          paragraph(textRun(kMal), "<a:pPr><a:defRPr><a:latin typeface=\"PANCHARI\"/></a:defRPr></a:pPr>")},
         uni + "\n" + uni + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string input = pptx(c.deck);
        EXPECT_EQ(foreignFileKind(input), "");
        EXPECT_EQ(packageFormat(input), WrittenFormat::Pptx);
        std::string text;
        ConversionReport r = unicodeTextOf(input, text);
        ASSERT_TRUE(r.ok) << r.error;
        // The layout's and master's own text ("x", in Arial) comes after the slide's.
        std::string shown;
        for (std::size_t at = 0, next; at < text.size(); at = next + 1) {
            next = text.find('\n', at);
            if (text.compare(at, next - at, "x") != 0) shown += text.substr(at, next - at + 1);
        }
        EXPECT_EQ(shown, c.expected);
        for (bool unicode : {false, true}) {
            SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
            std::string out;
            r = test::convert(input, out, test::unicodeOptions(unicode));
            ASSERT_TRUE(r.ok) << r.error;
            EXPECT_EQ(r.written, WrittenFormat::Pptx);
            EXPECT_EQ(r.converted() > 0, c.expected.find(uni) != std::string::npos);
            const auto before = zipMembers(input, true), after = zipMembers(out, true);
            EXPECT_EQ(after.at("ppt/media/image1.png"), before.at("ppt/media/image1.png"));
            // What was written reads as the same text: in Unicode, or in ML-TTRevathi.
            std::string back;
            ASSERT_TRUE(unicodeTextOf(out, back).ok);
            EXPECT_EQ(back, text);
        }
    }
}

// A converted run in Unicode: the Unicode font for every script, Malayalam for its
// language, and its size, bold, colour and link as they were, in the order the schema
// wants; characters with no Unicode value stay in the legacy font, in a run of their own.
TEST(Pptx, UnicodeRunProperties) {
    const std::string props = "<a:rPr lang=\"en-US\" sz=\"2800\" b=\"1\"><a:solidFill><a:srgbClr val=\"FF0000\"/>"
                              "</a:solidFill><a:latin typeface=\"PANCHARI\"/><a:cs typeface=\"Arial\"/>"
                              "<a:hlinkClick r:id=\"\"/></a:rPr>";
    const std::string input = pptx({shape(paragraph("<a:r>" + props + "<a:t>" + kMal + "</a:t></a:r>" +
                                                    "<a:r><a:rPr><a:latin typeface=\"PANCHARI\"/></a:rPr><a:t>" +
                                                    typed({0x6B, 0x81, 0xB5}) + "</a:t></a:r>"))});
    std::string out;
    const ConversionReport r = test::convert(input, out, test::unicodeOptions());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.kept(), 1u);
    const std::string slide = zipMembers(out, false).at("ppt/slides/slide1.xml");
    const std::string fonts = "<a:latin typeface=\"Noto Sans Malayalam\"/><a:ea typeface=\"Noto Sans Malayalam\"/>"
                              "<a:cs typeface=\"Noto Sans Malayalam\"/>";
    EXPECT_NE(slide.find("<a:rPr lang=\"ml-IN\" sz=\"2800\" b=\"1\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>" +
                         fonts + "<a:hlinkClick r:id=\"\"/></a:rPr><a:t>" + unicodeOf({0x6B, 0xB5}) + "</a:t>"),
              std::string::npos)
        << slide;
    EXPECT_NE(slide.find("<a:rPr lang=\"ml-IN\">" + fonts + "</a:rPr><a:t>" + unicodeOf({0x6B}) +
                         "</a:t></a:r><a:r><a:rPr><a:latin typeface=\"PANCHARI\"/></a:rPr><a:t>" + typed({0x81}) +
                         "</a:t></a:r><a:r><a:rPr lang=\"ml-IN\">" + fonts + "</a:rPr><a:t>" + unicodeOf({0xB5}) + "</a:t>"),
              std::string::npos)
        << slide;
}

// To ML-TTRevathi the legacy font is renamed wherever the text takes it from: the run,
// the master's styles and the theme.
TEST(Pptx, RevathiRenamesTheFontWhereverItIsNamed) {
    Deck deck{shape(paragraph(textRun(kMal)) + paragraph(textRun(kMal, "PANCHARI"))), "", "",
              "<p:titleStyle>" + level1("PANCHARI") + "</p:titleStyle>", "", "PANCHARI"};
    std::string out;
    ASSERT_TRUE(test::convert(pptx(deck), out, test::unicodeOptions(false)).ok);
    const auto parts = zipMembers(out, false);
    for (const char* name : {"ppt/slides/slide1.xml", "ppt/theme/theme1.xml", "ppt/slideMasters/slideMaster1.xml"}) {
        EXPECT_EQ(parts.at(name).find("PANCHARI"), std::string::npos) << name;
        EXPECT_NE(parts.at(name).find("typeface=\"ML-TTRevathi\""), std::string::npos) << name;
    }
}

// The letter as a slide's text box converts to the text the same letter gives as an ODT;
// an output is named for what it is, whatever the input was called.
TEST(Pptx, LetterConvertsAsInAnOdtAndIsNamedForWhatItIs) {
    const std::string odt = readFile(dataDir() / "office" / "letter.odt");
    std::vector<std::vector<PackageRun>> paragraphs;
    ASSERT_EQ(packageParagraphs(odt, paragraphs), "");
    std::string expected;
    ASSERT_TRUE(unicodeTextOf(odt, expected).ok);
    std::string body;
    for (const auto& p : paragraphs) {
        std::string runs;
        for (const PackageRun& r : p) {
            std::string utf8, escaped;
            for (char16_t c : r.text) appendUtf8(utf8, c);
            appendXmlEscaped(escaped, utf8);
            runs += textRun(escaped, r.font.empty() ? "Arial" : r.font);
        }
        body += paragraph(runs);
    }
    const std::string deck = pptx({shape(body)});
    std::string text;
    const ConversionReport r = unicodeTextOf(deck, text);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(r.converted(), 169u);
    const WrittenFormat format = plannedOutput(deck, {}).format;
    EXPECT_EQ(withExtensionOf("Converted_deck.docx", format), fs::path("Converted_deck.pptx"));
    EXPECT_EQ(withExtensionOf("Converted_deck.ppsx", format), fs::path("Converted_deck.ppsx"));
}

// Every presentation other programs wrote is read without a crash; one Tolvarin
// converts comes out byte for byte as it came (none is typed in a legacy font).
TEST(Pptx, PeerPresentationsComeOutUnchanged) {
    const fs::path dir = fs::path(TOLVARIN_CORPUS_DIR).parent_path() / "corpus-slides-sheets";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no peer corpus at " << dir;
    std::size_t same = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || ext.size() < 4 || (ext.substr(0, 3) != ".pp" && ext.substr(0, 3) != ".po")) continue;
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = readFile(entry.path());
        std::string out;
        const ConversionReport r = test::convert(bytes, out, test::unicodeOptions());
        if (r.ok) {
            EXPECT_EQ(out, bytes);
            same += r.written == WrittenFormat::Pptx;
        } else {
            EXPECT_FALSE(r.error.empty());
        }
    }
    EXPECT_GE(same, 60u);
}
