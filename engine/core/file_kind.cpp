#include "core/file_kind.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolvarin {

namespace {

unsigned u16(std::string_view b, std::size_t at) {
    return unsigned(std::uint8_t(b[at])) | unsigned(std::uint8_t(b[at + 1])) << 8;
}
std::size_t u32(std::string_view b, std::size_t at) { return std::size_t(u16(b, at)) | std::size_t(u16(b, at + 2)) << 16; }

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

bool zipMembers(std::string_view b, std::vector<ZipMember>& members) {
    constexpr std::string_view kEnd("PK\x05\x06", 4), kEntry("PK\x01\x02", 4), kLocal("PK\x03\x04", 4);
    if (b.size() < 22) return false;
    const std::size_t from = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    const std::size_t end = b.rfind(kEnd, b.size() - 22);
    if (end == std::string_view::npos || end < from) return false;
    const std::size_t count = u16(b, end + 10);
    std::size_t at = u32(b, end + 16);
    if (count == 0xFFFF || at == 0xFFFFFFFF) return false;  // zip64: left to the package reader
    for (std::size_t n = 0; n < count; ++n) {
        if (at > b.size() || b.size() - at < 46 || b.substr(at, 4) != kEntry) return false;
        const std::size_t nameLength = u16(b, at + 28);
        const std::size_t next = at + 46 + nameLength + u16(b, at + 30) + u16(b, at + 32);
        if (next > b.size()) return false;
        ZipMember m{b.substr(at + 46, nameLength), {}};
        const std::size_t local = u32(b, at + 42), size = u32(b, at + 20);
        if (u16(b, at + 10) == 0 && local < b.size() && b.size() - local >= 30 && b.substr(local, 4) == kLocal) {
            const std::size_t data = local + 30 + u16(b, local + 26) + u16(b, local + 28);
            if (data <= b.size() && b.size() - data >= size) m.storedData = b.substr(data, size);
        }
        members.push_back(m);
        at = next;
    }
    return true;
}

namespace {

std::string_view zipKind(std::string_view bytes) {
    std::vector<ZipMember> members;
    if (!zipMembers(bytes, members)) return {};
    if (members.empty()) return "an empty zip archive";
    const auto has = [&](std::string_view name) {
        for (const ZipMember& m : members)
            if (m.name == name) return true;
        return false;
    };
    const auto hasUnder = [&](std::string_view folder) {
        for (const ZipMember& m : members)
            if (startsWith(m.name, folder)) return true;
        return false;
    };
    for (const ZipMember& m : members) {
        if (m.name != "mimetype") continue;
        // OpenDocument and EPUB say what they are in their first member, kept uncompressed.
        const std::string_view type = m.storedData;
        if (startsWith(type, "application/vnd.oasis.opendocument.text") ||
            startsWith(type, "application/vnd.oasis.opendocument.presentation") ||
            startsWith(type, "application/vnd.oasis.opendocument.spreadsheet"))
            return {};
        if (startsWith(type, "application/vnd.oasis.opendocument.graphics")) return "an OpenDocument drawing";
        if (startsWith(type, "application/vnd.oasis.opendocument.formula")) return "an OpenDocument formula";
        if (startsWith(type, "application/vnd.oasis.opendocument.chart")) return "an OpenDocument chart";
        if (startsWith(type, "application/vnd.oasis.opendocument.")) return "an OpenDocument file that is no text document, presentation or spreadsheet";
        if (startsWith(type, "application/epub+zip")) return "an EPUB book";
        if (type.empty()) return {};  // compressed, against the rule: the package reader tells
    }
    if (hasUnder("word/")) return {};
    if (has("ppt/presentation.xml")) return {};
    if (has("xl/workbook.xml")) return {};
    for (const ZipMember& m : members)
        if (m.name == "workbook.bin" || (m.name.size() > 13 && m.name.substr(m.name.size() - 13) == "/workbook.bin"))
            return "an Excel binary workbook (.xlsb)";
    if (hasUnder("visio/")) return "a Visio drawing";
    if (has("content.xml") || has("[Content_Types].xml")) return {};  // a package the reader tells about
    if (has("AndroidManifest.xml")) return "an Android app package";
    if (has("META-INF/MANIFEST.MF")) return "a Java archive";
    return "a zip archive that holds no document, presentation or spreadsheet";
}

// An Office 97-2003 file is a compound file of named streams; a Word document has one
// called WordDocument. The names are in UTF-16 in the file's directory.
bool hasStream(std::string_view bytes, std::string_view name) {
    std::string wide;
    for (char c : name) {
        wide += c;
        wide += '\0';
    }
    return bytes.find(wide) != std::string_view::npos;
}

std::string_view compoundKind(std::string_view bytes) {
    // Without its directory's root entry the file cannot be told: read as Word's, as before.
    if (!hasStream(bytes, "Root Entry")) return {};
    if (hasStream(bytes, "WordDocument") || hasStream(bytes, "EncryptedPackage")) return {};
    if (hasStream(bytes, "PowerPoint Document")) return "a PowerPoint 97-2003 presentation";
    if (hasStream(bytes, "Workbook") || hasStream(bytes, "Book")) return "an Excel 97-2003 workbook";
    if (hasStream(bytes, "VisioDocument")) return "a Visio 2003 drawing";
    if (hasStream(bytes, "__substg1.0_")) return "an Outlook message";
    return "an Office 97-2003 or Windows compound file that holds no Word document";
}

bool startsAsHtml(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    while (!bytes.empty() && (bytes[0] == ' ' || bytes[0] == '\t' || bytes[0] == '\r' || bytes[0] == '\n'))
        bytes.remove_prefix(1);
    std::string head;
    for (char c : bytes.substr(0, 14)) head += char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return startsWith(head, "<!doctype html") || startsWith(head, "<html");
}

// An OpenDocument or Word file kept as one XML file rather than a package, told by its
// root element, near its start.
std::string_view flatXmlKind(std::string_view bytes) {
    if (!startsWith(bytes, "<?xml") && !startsWith(bytes, "\xEF\xBB\xBF<?xml")) return {};
    const std::string_view head = bytes.substr(0, 4096);
    if (head.find("<office:document ") != std::string_view::npos) {
        if (head.find("opendocument.spreadsheet") != std::string_view::npos) return "an OpenDocument spreadsheet in one XML file (.fods)";
        if (head.find("opendocument.presentation") != std::string_view::npos) return "an OpenDocument presentation in one XML file (.fodp)";
        if (head.find("opendocument.text") != std::string_view::npos) return "an OpenDocument text document in one XML file (.fodt)";
        return "an OpenDocument file in one XML file";
    }
    if (head.find("<w:wordDocument") != std::string_view::npos || head.find("<pkg:package") != std::string_view::npos)
        return "a Word XML document (not .docx)";
    return {};
}

}  // namespace

std::string_view foreignFileKind(std::string_view bytes) {
    if (startsWith(bytes, std::string_view("PK\x03\x04", 4)) || startsWith(bytes, std::string_view("PK\x05\x06", 4)))
        return zipKind(bytes);
    if (startsWith(bytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return compoundKind(bytes);
    struct Signature {
        std::string_view start;
        std::string_view kind;
    };
    static constexpr std::array<Signature, 12> kSignatures = {{
        {"%!PS", "a PostScript document"},
        {"\x89PNG\r\n\x1A\n", "a PNG image"},
        {"\xFF\xD8\xFF", "a JPEG image"},
        {"GIF87a", "a GIF image"},
        {"GIF89a", "a GIF image"},
        {std::string_view("II*\0", 4), "a TIFF image"},
        {std::string_view("MM\0*", 4), "a TIFF image"},
        {"\x1F\x8B", "a gzip archive"},
        {"7z\xBC\xAF\x27\x1C", "a 7-Zip archive"},
        {"Rar!\x1A\x07", "a RAR archive"},
        {"\x7F" "ELF", "a program"},
        {"ID3", "an MP3 recording"},
    }};
    for (const Signature& s : kSignatures)
        if (startsWith(bytes, s.start)) return s.kind;
    if (startsWith(bytes, "RIFF") && bytes.substr(8, 4) == "WEBP") return "a WebP image";
    if (startsWith(bytes, "MZ") && bytes.size() >= 64) {
        const std::size_t pe = u32(bytes, 0x3C);
        if (pe < bytes.size() && bytes.substr(pe, 4) == std::string_view("PE\0\0", 4)) return "a Windows program";
    }
    if (startsAsHtml(bytes)) return "an HTML page";
    if (const std::string_view flat = flatXmlKind(bytes); !flat.empty()) return flat;
    return {};
}

std::string foreignFileMessage(std::string_view kind) {
    return std::string(kind) +
           ", not a document Tolvarin converts: it converts RTF, DOCX and ODT documents, PPTX and ODP "
           "presentations, XLSX and ODS spreadsheets and Word 97-2003 documents; save the text as one of those to convert it";
}

}  // namespace tolvarin
