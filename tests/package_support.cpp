#include "package_support.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "core/legacy_text.h"
#include "text/utf8.h"

namespace tolvarin::test {

std::string makeZip(const Members& members) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(source);
    zip_t* z = zip_open_from_source(source, ZIP_TRUNCATE, &error);
    for (const auto& [name, content] : members) {
        zip_source_t* data = zip_source_buffer(z, content.data(), content.size(), 0);
        const zip_int64_t i = zip_file_add(z, name.c_str(), data, 0);
        zip_set_file_compression(z, zip_uint64_t(i), name == "mimetype" ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    }
    zip_close(z);
    std::string out;
    zip_source_open(source);
    char buffer[4096];
    for (zip_int64_t n; (n = zip_source_read(source, buffer, sizeof buffer)) > 0;) out.append(buffer, std::size_t(n));
    zip_source_close(source);
    zip_source_free(source);
    zip_error_fini(&error);
    return out;
}

std::map<std::string, std::string> zipMembers(const std::string& bytes, bool compressed) {
    std::map<std::string, std::string> out;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* z = zip_open_from_source(source, ZIP_RDONLY, &error);
    EXPECT_NE(z, nullptr) << "the output is a readable zip";
    if (!z) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), compressed ? ZIP_FL_COMPRESSED : 0);
        std::string content;
        char buffer[4096];
        zip_int64_t n = -1;
        while (f && (n = zip_fread(f, buffer, sizeof buffer)) > 0) content.append(buffer, std::size_t(n));
        EXPECT_EQ(n, 0) << zip_get_name(z, zip_uint64_t(i), 0) << " unpacks whole, its checksum right";
        if (f) zip_fclose(f);
        out[zip_get_name(z, zip_uint64_t(i), 0)] = content;
    }
    zip_discard(z);
    zip_error_fini(&error);
    return out;
}

std::string typed(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) appendUtf8(out, decodeCp1252(std::uint8_t(b)));
    return out;
}

ConversionReport unicodeTextOf(std::string_view package, std::string& text) {
    ConversionOptions options = unicodeOptions();
    options.textOnly = true;
    return convert(package, text, options);
}

std::string unicodeOf(std::initializer_list<int> bytes) {
    std::vector<std::uint8_t> codes(bytes.begin(), bytes.end());
    std::string out;
    for (char16_t c : convertLegacyText(panchariFont(), codes.data(), codes.size(), true)) appendUtf8(out, c);
    return out;
}

const char* const kW = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                           "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" mc:Ignorable=\"w14\"";

std::string run(const std::string& text, const std::string& font) {
    return "<w:r><w:rPr><w:rFonts w:ascii=\"" + font + "\" w:hAnsi=\"" + font + "\"/></w:rPr><w:t xml:space=\"preserve\">" +
           text + "</w:t></w:r>";
}

std::string docx(const DocxCase& c) {
    std::string rels = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    Members members = {
        {"[Content_Types].xml", "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"" + type + "officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
        {"word/document.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document " + std::string(kW) +
                                  "><w:body>" + c.body + "</w:body></w:document>"},
        {"word/media/image1.png", std::string(300, '\x89')},
    };
    if (!c.styles.empty()) {
        members.push_back({"word/styles.xml", "<?xml version=\"1.0\"?><w:styles " + std::string(kW) + ">" + c.styles + "</w:styles>"});
        rels += "<Relationship Id=\"rId2\" Type=\"" + type + "styles\" Target=\"styles.xml\"/>";
    }
    if (!c.theme.empty()) {
        members.push_back({"word/theme/theme1.xml", "<?xml version=\"1.0\"?><a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:themeElements><a:fontScheme name=\"x\">" + c.theme + "</a:fontScheme></a:themeElements></a:theme>"});
        rels += "<Relationship Id=\"rId3\" Type=\"" + type + "theme\" Target=\"theme/theme1.xml\"/>";
    }
    if (!c.comments.empty()) {
        members.push_back({"word/comments.xml", "<?xml version=\"1.0\"?><w:comments " + std::string(kW) + ">" + c.comments + "</w:comments>"});
        rels += "<Relationship Id=\"rId4\" Type=\"" + type + "comments\" Target=\"comments.xml\"/>";
    }
    members.push_back({"word/_rels/document.xml.rels", rels + "</Relationships>"});
    return makeZip(members);
}

const std::vector<DocxCase>& docxCases() {
    static const std::vector<DocxCase> cases = {
        {"a syllable split across runs", "<w:p>" + run(typed({0xE6})) + run(typed({0xB5, 0xDE})) + "</w:p>",
         unicodeOf({0xE6, 0xB5, 0xDE}) + "\n"},
        {"a font from the paragraph style only",
         "<w:p><w:pPr><w:pStyle w:val=\"Mal\"/></w:pPr><w:r><w:t>" + typed({0xB5, 0xDE}) + "</w:t></w:r></w:p>",
         unicodeOf({0xB5, 0xDE}) + "\n",
         "<w:style w:type=\"paragraph\" w:styleId=\"Mal\"><w:basedOn w:val=\"Base\"/></w:style>"
         "<w:style w:type=\"paragraph\" w:styleId=\"Base\"><w:rPr><w:rFonts w:ascii=\"PANCHARI\" w:hAnsi=\"PANCHARI\"/></w:rPr></w:style>"},
        {"a theme font",
         "<w:p><w:r><w:rPr><w:rFonts w:asciiTheme=\"minorHAnsi\" w:hAnsiTheme=\"minorHAnsi\"/></w:rPr><w:t>" +
             typed({0x64, 0xB5}) + "</w:t></w:r></w:p>",
         unicodeOf({0x64, 0xB5}) + "\n", {},
         "<a:majorFont><a:latin typeface=\"Arial\"/></a:majorFont><a:minorFont><a:latin typeface=\"PANCHARI\"/></a:minorFont>"},
        {"a text box in mc:AlternateContent",
         "<w:p><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><w:txbxContent><w:p>" + run(typed({0xB5})) +
             "</w:p></w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent><w:p>" + run(typed({0xB5})) +
             "</w:p></w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>",
         "\n" + unicodeOf({0xB5}) + "\n" + unicodeOf({0xB5}) + "\n"},
        {"w:sym", "<w:p><w:r><w:sym w:font=\"PANCHARI\" w:char=\"F0B5\"/></w:r>" + run(typed({0xDE})) + "</w:p>",
         unicodeOf({0xB5, 0xDE}) + "\n"},
        {"a hyperlink", "<w:p>" + run(typed({0xE6})) + "<w:hyperlink w:history=\"1\">" + run(typed({0xB5})) + "</w:hyperlink></w:p>",
         unicodeOf({0xE6, 0xB5}) + "\n"},
        {"tracked changes",
         "<w:p><w:ins w:id=\"1\" w:author=\"a\">" + run(typed({0xB5})) +
             "</w:ins><w:del w:id=\"2\" w:author=\"a\"><w:r><w:rPr><w:rFonts w:ascii=\"PANCHARI\" w:hAnsi=\"PANCHARI\"/></w:rPr><w:delText>" +
             typed({0xDE}) + "</w:delText></w:r></w:del></w:p>",
         unicodeOf({0xB5, 0xDE}) + "\n"},
        {"a comment", "<w:p>" + run(typed({0xB5})) + "</w:p>", unicodeOf({0xB5}) + "\n" + unicodeOf({0x64, 0xB5}) + "\n", {}, {},
         "<w:comment w:id=\"0\" w:author=\"a\"><w:p>" + run(typed({0x64, 0xB5})) + "</w:p></w:comment>"},
        {"whitespace-only text", "<w:p>" + run(typed({0xB5})) + run(" ") + run(typed({0xDE})) + "</w:p>",
         unicodeOf({0xB5}) + " " + unicodeOf({0xDE}) + "\n"},
        {"an English run beside, and a field code",
         "<w:p>" + run("Hello ", "Arial") + run(typed({0xB5})) +
             "<w:r><w:instrText xml:space=\"preserve\"> PAGE </w:instrText></w:r></w:p>",
         "Hello " + unicodeOf({0xB5}) + "\n"},
    };
    return cases;
}

}  // namespace tolvarin::test
