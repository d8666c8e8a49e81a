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
