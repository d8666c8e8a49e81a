// A long XML part read in two halves at once must give exactly what reading it whole
// gives: the same elements, byte ranges, attributes and text, and the same error.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <zip.h>

#include "office/xml_part.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace tolvarin;

namespace {

void expectSameReading(const std::string& bytes, bool keepTexts, bool halvesExpected) {
    XmlPart whole(keepTexts, std::size_t(-1)), halves(keepTexts, 0);
    const std::string wholeError = whole.parse(bytes), halvesError = halves.parse(bytes);
    EXPECT_EQ(halvesError, wholeError);
    if (halvesExpected && std::thread::hardware_concurrency() > 1) {
        EXPECT_TRUE(halves.readInHalves());
    }
    EXPECT_FALSE(whole.readInHalves());
    if (!wholeError.empty()) return;
    const auto &a = whole.elements(), &b = halves.elements();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("element " + std::to_string(i) + " " + std::string(a[i].name));
        EXPECT_EQ(a[i].name, b[i].name);
        EXPECT_EQ(a[i].parent, b[i].parent);
        EXPECT_EQ(a[i].depth, b[i].depth);
        EXPECT_EQ(std::tie(a[i].start, a[i].startEnd, a[i].endStart, a[i].end),
                  std::tie(b[i].start, b[i].startEnd, b[i].endStart, b[i].end));
        EXPECT_EQ(a[i].text, b[i].text);
        ASSERT_EQ(a[i].attributes.size(), b[i].attributes.size());
        for (std::size_t k = 0; k < a[i].attributes.size(); ++k) {
            EXPECT_EQ(a[i].attributes[k].name, b[i].attributes[k].name);
            EXPECT_EQ(a[i].attributes[k].value, b[i].attributes[k].value);
        }
    }
    const auto &ta = whole.texts(), &tb = halves.texts();
    ASSERT_EQ(ta.size(), tb.size());
    for (std::size_t i = 0; i < ta.size(); ++i)
        EXPECT_EQ(std::tie(ta[i].element, ta[i].order, ta[i].begin, ta[i].end, ta[i].text),
                  std::tie(tb[i].element, tb[i].order, tb[i].begin, tb[i].end, tb[i].text))
            << "text " << i;
}

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

const std::string kParagraph =
    "<w:p w:rsidR=\"00A1\"><w:pPr><w:pStyle w:val=\"Body\"/></w:pPr><w:r><w:rPr><w:rFonts w:ascii=\"PANCHARI\"/>"
    "</w:rPr><w:t xml:space=\"preserve\">m\xC3\x93 &amp; \"q\" a&gt;b</w:t></w:r><w:r><w:tab/></w:r></w:p>\n";

}  // namespace

TEST(XmlHalves, ReadAsWhole) {
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<!-- <w:p> in a comment -->"
        "<w:document xmlns:w=\"urn:w\" xmlns:mc=\"urn:mc\" mc:Ignorable=\"w14\">text before\n"
        "<w:body xmlns:x=\"urn:x\" a=\"1 > 0\">";
    const std::string tail = "</w:body>after</w:document>\n<?pi last?>";
    const std::string odd = "<x:q b='it&apos;s \"so\"'><![CDATA[<w:p> </w:p>]]>mixed <s/> content<?pi <w:p>?></x:q>"
                            "<y xmlns=\"urn:default\"><z/></y><w:p/>";
    struct Case {
        const char* what;
        std::string bytes;
        bool halves;
    } cases[] = {
        {"paragraphs", head + repeated(kParagraph, 40) + tail, true},
        {"comments, CDATA, instructions, namespaces and mixed content",
         head + repeated(kParagraph + odd, 30) + tail, true},
        {"empty paragraphs", head + repeated("<w:p/>", 200) + tail, true},
        {"one deep element", "<a>" + repeated("<b>x</b>", 100) + "</a>", true},
        {"broken near the end", head + repeated(kParagraph, 40) + "<w:p></w:r>" + tail, false},
        {"broken near the start", head + "<w:p a=1>" + repeated(kParagraph, 40) + tail, false},
        {"unclosed", head + repeated(kParagraph, 40), false},
        {"a document type", "<!DOCTYPE a [<!ENTITY e \"ee\">]><a>" + repeated("<b>&e;</b>", 100) + "</a>", false},
        {"a part in Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>" + repeated("<b>\xE9</b>", 100) + "</a>",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool keepTexts : {false, true}) expectSameReading(c.bytes, keepTexts, c.halves);
    }
}

// The XML parts of the peer files: Word's, LibreOffice's and other programs'.
TEST(XmlHalves, PeerPartsReadAsWhole) {
    const fs::path dir = fs::path(TOLVARIN_CORPUS_DIR).parent_path() / "corpus-office";
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no peer corpus at " << dir;
    std::size_t parts = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = test::readFile(entry.path());
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        zip_t* z = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
        if (!z) {
            if (source) zip_source_free(source);
            zip_error_fini(&error);
            continue;
        }
        for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
            const std::string name = zip_get_name(z, zip_uint64_t(i), 0);
            if (name.size() < 4 || (name.substr(name.size() - 4) != ".xml" && name.substr(name.size() - 5) != ".rels"))
                continue;
            zip_stat_t st;
            zip_file_t* f = zip_stat_index(z, zip_uint64_t(i), 0, &st) == 0 && st.size < (std::size_t(64) << 20)
                                ? zip_fopen_index(z, zip_uint64_t(i), 0)
                                : nullptr;
            if (!f) continue;
            std::string content(st.size, '\0');
            const zip_int64_t n = zip_fread(f, content.data(), st.size);
            zip_fclose(f);
            if (n != zip_int64_t(st.size)) continue;
            SCOPED_TRACE(entry.path().string() + ": " + name);
            expectSameReading(content, name == "content.xml" || name == "styles.xml", false);
            ++parts;
        }
        zip_close(z);
        zip_error_fini(&error);
    }
    EXPECT_GT(parts, 300u);
}

// Names come out as namespace-aware XML reads them, "uri local" or the local name, and
// what breaks the namespace rules is not well-formed, with the error that reading gives.
TEST(XmlNames, ResolvedAsNamespacesSay) {
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> names;  // every element's name then its attributes', in order
        std::string error;               // what the message must name, or empty
    } cases[] = {
        {"default namespaces, nested, undeclared",
         "<r xmlns=\"d1\"><x xmlns=\"d2\"><y/></x><z xmlns=\"\"><w k=\"1\"/></z><v/></r>",
         {"d1 r", "d2 x", "d2 y", "z", "w", "k", "d1 v"}, ""},
        {"a prefix redeclared inside, then back",
         "<p:r xmlns:p=\"u1\"><p:x xmlns:p=\"u2\"><p:y p:k=\"1\"/></p:x><p:z p:k=\"2\"/></p:r>",
         {"u1 r", "u2 x", "u2 y", "u2 k", "u1 z", "u1 k"}, ""},
        {"declarations are not attributes; xml: is always bound",
         "<r xmlns:p=\"u1\" p:a=\"1\" xml:lang=\"ml\"><q:c xmlns:q=\"u3\" q:d=\"x\"/></r>",
         {"r", "u1 a", "http://www.w3.org/XML/1998/namespace lang", "u3 c", "u3 d"}, ""},
        {"two prefixes of one namespace", "<r xmlns:a=\"u\" xmlns:b=\"v\"><x a:k=\"1\" b:k=\"2\" k=\"3\"/></r>",
         {"r", "x", "u k", "v k", "k"}, ""},
        {"an unbound element prefix", "<a:r xmlns:a=\"u\"><b:x/></a:r>", {}, "unbound prefix"},
        {"an unbound attribute prefix", "<a:r xmlns:a=\"u\"><a:x b:y=\"1\"/></a:r>", {}, "unbound prefix"},
        {"a prefix out of scope", "<r><x xmlns:a=\"u\"/><a:y/></r>", {}, "unbound prefix"},
        {"a prefix undeclared", "<a:r xmlns:a=\"u\"><a:x xmlns:a=\"\"/></a:r>", {}, "must not undeclare prefix"},
        {"xml bound elsewhere", "<r xmlns:xml=\"other\"/>", {}, "reserved prefix (xml)"},
        {"xmlns declared", "<r xmlns:xmlns=\"u\"/>", {}, "reserved prefix (xmlns)"},
        {"the xmlns namespace bound", "<r xmlns:p=\"http://www.w3.org/2000/xmlns/\"/>", {}, "reserved namespace"},
        {"one name twice", "<r xmlns:a=\"u\" xmlns:b=\"u\"><x a:k=\"1\" b:k=\"2\"/></r>", {}, "duplicate attribute"},
        {"two colons", "<r xmlns:a=\"u\"><x a:b:c=\"1\"/></r>", {}, "invalid token"},
        {"an instruction with a colon", "<r><?a:pi data?></r>", {}, "invalid token"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmlPart part;
        const std::string error = part.parse(c.bytes);
        if (!c.error.empty()) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(error, "");
        std::vector<std::string> names;
        for (const XmlElement& e : part.elements()) {
            names.emplace_back(e.name);
            for (const XmlAttribute& a : e.attributes) names.emplace_back(a.name);
        }
        EXPECT_EQ(names, c.names);
    }
}

// Text spliced in is escaped wherever its characters stand, the fast scan's sixteen-byte
// steps and their edges included; text with nothing to escape comes out as it is.
TEST(XmlSplice, EscapesWhereverTheCharacterStands) {
    const std::string original = "<t>old</t>";
    for (const char special : {'&', '<', '>', '"'}) {
        for (const std::size_t at : {0, 1, 15, 16, 17, 31, 32, 40, 47}) {
            std::string text(48, 'x');
            text[at] = special;
            std::string escaped;
            for (const char c : text)
                escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
            XmlSplice splice;
            splice.replaceEscaped(3, 6, text);
            EXPECT_EQ(splice.apply(original), "<t>" + escaped + "</t>") << special << " at " << at;
        }
    }
    XmlSplice plain;
    const std::string text = "\xE0\xB4\xAE\xE0\xB4\xB2\xE0\xB4\xAF\xE0\xB4\xBE\xE0\xB4\xB3\xE0\xB4\x82 text";
    plain.replaceEscaped(3, 6, text);
    EXPECT_EQ(plain.apply(original), "<t>" + text + "</t>");
}
