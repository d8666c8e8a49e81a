#include "office/package_conversion.h"

#include <algorithm>

#include "core/document_kind.h"
#include "io/file_io.h"
#include "office/package_format.h"
#include "office/zip_package.h"

namespace tolvarin {
namespace {

// The OpenDocument kinds converted, by the media type a package names itself with.
struct OdfType {
    std::string_view type;
    WrittenFormat format;
};
constexpr OdfType kOdfTypes[] = {
    {"application/vnd.oasis.opendocument.text", WrittenFormat::Odt},
    {"application/vnd.oasis.opendocument.text-template", WrittenFormat::Odt},
    {"application/vnd.oasis.opendocument.presentation", WrittenFormat::Odp},
    {"application/vnd.oasis.opendocument.presentation-template", WrittenFormat::Odp},
    {"application/vnd.oasis.opendocument.spreadsheet", WrittenFormat::Ods},
    {"application/vnd.oasis.opendocument.spreadsheet-template", WrittenFormat::Ods},
};

// The media type an OpenDocument package names itself with: its mimetype member, or
// where that is missing, what its manifest says of the package as a whole ("/").
// Empty for a package that is neither.
std::string odfType(const ZipPackage& zip) {
    std::string type;
    if (zip.has("mimetype")) {
        if (!zip.read("mimetype", type).empty()) return {};
        while (!type.empty() && (type.back() == '\n' || type.back() == '\r' || type.back() == ' ')) type.pop_back();
        return type;
    }
    std::string manifest;
    if (!zip.has("content.xml") || !zip.has("META-INF/manifest.xml") ||
        !zip.read("META-INF/manifest.xml", manifest).empty())
        return {};
    const std::size_t root = manifest.find("manifest:full-path=\"/\"");
    if (root == std::string::npos) return {};
    const std::size_t from = manifest.rfind('<', root), to = manifest.find('>', root);
    const std::string_view entry = std::string_view(manifest).substr(from, to - from);
    const std::string_view key = "manifest:media-type=\"";
    const std::size_t at = entry.find(key);
    if (from == std::string::npos || to == std::string::npos || at == std::string_view::npos) return {};
    const std::size_t end = entry.find('"', at + key.size());
    return std::string(entry.substr(at + key.size(), end - at - key.size()));
}

const OdfType* odfFormat(std::string_view type) {
    for (const OdfType& t : kOdfTypes)
        if (t.type == type) return &t;
    return nullptr;
}

// An OOXML package is a presentation or a workbook where PowerPoint or Excel keeps one,
// and holds no Word document.
bool holdsNoWordDocument(const ZipPackage& zip) {
    for (const std::string& name : zip.members())
        if (name.rfind("word/", 0) == 0) return false;
    return true;
}
bool isPresentation(const ZipPackage& zip) { return zip.has("ppt/presentation.xml") && holdsNoWordDocument(zip); }
bool isWorkbook(const ZipPackage& zip) { return zip.has("xl/workbook.xml") && holdsNoWordDocument(zip); }

struct Opened {
    explicit Opened(PackageReading reading) : text(reading) {}
    ZipPackage zip;
    std::unique_ptr<PackageFormat> format;
    WrittenFormat kind = WrittenFormat::Docx;
    PackageText text;
};

// Opens and reads the package. Returns an empty string, or what is wrong with it.
std::string open(std::string_view bytes, Opened& opened) {
    if (std::string error = opened.zip.open(bytes); !error.empty()) return error;
    if (const std::string type = odfType(opened.zip); !type.empty()) {
        const OdfType* odf = odfFormat(type);
        if (!odf) {
            const bool readable = type.size() < 100 && std::all_of(type.begin(), type.end(), [](char c) {
                                      return c > ' ' && c < 0x7F;
                                  });
            return "an OpenDocument file, but not a text document, presentation or spreadsheet" +
                   (readable ? " (" + type + ")" : std::string());
        }
        opened.format = makeOdtFormat(odf->format != WrittenFormat::Odt);
        opened.kind = odf->format;
    } else if (opened.zip.has("[Content_Types].xml") && isPresentation(opened.zip)) {
        opened.format = makePptxFormat();
        opened.kind = WrittenFormat::Pptx;
    } else if (opened.zip.has("[Content_Types].xml") && isWorkbook(opened.zip)) {
        opened.format = makeXlsxFormat();
        opened.kind = WrittenFormat::Xlsx;
    } else if (opened.zip.has("[Content_Types].xml")) {
        opened.format = makeDocxFormat();
    } else {
        return "a zip archive, but not a Word or OpenDocument document";
    }
    if (opened.zip.has("META-INF/manifest.xml") && opened.format) {
        // An OpenDocument package encrypts its parts and says so in its manifest.
        std::string manifest;
        if (opened.zip.read("META-INF/manifest.xml", manifest).empty() &&
            manifest.find("encryption-data") != std::string::npos)
            return std::string(kPasswordProtected);
    }
    if (std::string error = opened.format->read(opened.zip, opened.text); !error.empty()) return error;
    opened.text.finish();
    return {};
}

bool isSigned(const ZipPackage& zip) {
    for (const std::string& name : zip.members())
        if (name.rfind("_xmlsignatures/", 0) == 0 || name == "META-INF/documentsignatures.xml") return true;
    return false;
}

void fill(ConversionReport& report, const PackageText& text) {
    report.counts = text.counts();
    if (!text.anyConverted())
        for (const auto& [name, n] : text.fonts())
            if (n > 0 && !name.empty()) report.textFonts.push_back(name);
}

ConversionReport convertPackageUnguarded(std::string_view bytes, const ConversionOptions& options,
                                         const Destination& destination) {
    PackageReading reading{options.unicode || options.textOnly, options.textOnly, false, options.halvesFrom};
    if (options.toLegacy() && !options.textOnly) {
        reading.legacy.to = options.toEncoding;
        for (const LegacyEncoding* e : options.from) reading.legacy.from.push_back(e);
        reading.legacy.fromUnicode = options.fromUnicode;
    }
    Opened opened(reading);
    if (std::string error = open(bytes, opened); !error.empty()) return ConversionReport::failure(error);
    ConversionReport report;
    fill(report, opened.text);
    if (options.textOnly) {
        report.written = WrittenFormat::Text;
        const std::string text = opened.text.plainText();
        report.error = destination([&](const PieceSink& write) {
            write(text);
            return std::string();
        });
        report.ok = report.error.empty();
        return report;
    }
    report.written = opened.kind;
    std::string out;
    if (!opened.text.anyConverted()) {
        out.assign(bytes);
    } else {
        if (std::string error = opened.format->write(opened.zip, opened.text, options); !error.empty())
            return ConversionReport::failure(error);
        // What was read is done with once the changed parts are made (ZipPackage::replace()):
        // let go before the archive is written, its memory serves the archive's.
        opened.text = PackageText();
        opened.format.reset();
        if (std::string error = opened.zip.save(out); !error.empty()) return ConversionReport::failure(error);
        if (isSigned(opened.zip))
            report.warnings.push_back(
                "the document was digitally signed; its signature no longer holds for the converted copy");
    }
    report.error = destination([&](const PieceSink& write) {
        write(out);
        return std::string();
    });
    report.ok = report.error.empty();
    return report;
}

std::string packageFontsUnguarded(std::string_view bytes, std::vector<std::pair<std::string, std::size_t>>& fonts,
                                  std::vector<FontDetection>* finds) {
    Opened opened(PackageReading{false, false, true});
    if (std::string error = open(bytes, opened); !error.empty()) return error;
    fonts.clear();
    for (const auto& f : opened.text.fonts())
        if (f.second > 0) fonts.push_back(f);
    if (!finds) return {};
    // The text of every font that is no legacy one, for what it may hold.
    const PackageText& text = opened.text;
    finds->assign(fonts.size(), FontDetection());
    std::vector<int> at;  // by PackageText::fontName() index: where in `fonts`, or -1
    auto place = [&](std::uint32_t name) -> int {
        if (name >= at.size()) at.resize(name + 1, -2);
        if (at[name] == -2) {
            at[name] = -1;
            for (std::size_t f = 0; f < fonts.size(); ++f)
                if (fonts[f].first == text.fontName(name) && !legacyFontNamed(fonts[f].first)) at[name] = int(f);
        }
        return at[name];
    };
    for (std::size_t p = 0; p < text.paragraphs.size(); ++p) {
        if (!text.exported(p)) continue;
        int last = -1;
        for (const OfficeChar& c : text.paragraphs[p]) {
            const int f = c.font || c.fontName == 0 ? -1 : place(c.fontName);
            if (f != last && last >= 0) (*finds)[std::size_t(last)].breakWord();
            last = f;
            if (f >= 0) (*finds)[std::size_t(f)].add(c.value);
        }
        if (last >= 0) (*finds)[std::size_t(last)].breakWord();
    }
    return {};
}



std::string packageParagraphsUnguarded(std::string_view bytes, std::vector<std::vector<PackageRun>>& paragraphs) {
    Opened opened(PackageReading{false, false, true});
    if (std::string error = open(bytes, opened); !error.empty()) return error;
    paragraphs.clear();
    const PackageText& text = opened.text;
    for (std::size_t p = 0; p < text.paragraphs.size(); ++p) {
        if (!text.exported(p)) continue;
        std::vector<PackageRun>& runs = paragraphs.emplace_back();
        std::uint32_t font = 0xFFFFFFFF;
        for (const OfficeChar& c : text.paragraphs[p]) {
            if (c.value == 0) continue;  // an object's place
            if (runs.empty() || c.fontName != font) {
                font = c.fontName;
                runs.push_back({{}, text.fontName(font)});
            }
            if (c.value > 0xFFFF) {
                runs.back().text += char16_t(0xD800 + ((c.value - 0x10000) >> 10));
                runs.back().text += char16_t(0xDC00 + ((c.value - 0x10000) & 0x3FF));
            } else {
                runs.back().text += char16_t(c.value);
            }
        }
    }
    return {};
}

}  // namespace

// An OpenDocument package names its kind in its mimetype member (or its manifest); a
// package that cannot be opened reads as a DOCX here, and is refused when converted.
WrittenFormat packageFormat(std::string_view bytes) {
    ZipPackage zip;
    if (!zip.open(bytes).empty()) return WrittenFormat::Docx;
    const OdfType* odf = odfFormat(odfType(zip));
    if (odf) return odf->format;
    return isPresentation(zip) ? WrittenFormat::Pptx : isWorkbook(zip) ? WrittenFormat::Xlsx : WrittenFormat::Docx;
}

// A package whose parts do not fit in memory fails like any other bad input.
ConversionReport convertPackage(std::string_view bytes, const ConversionOptions& options,
                                const Destination& destination) {
    try {
        return convertPackageUnguarded(bytes, options, destination);
    } catch (const std::bad_alloc&) {
        return ConversionReport::failure(std::string(kNotEnoughMemory));
    }
}

std::string packageFonts(std::string_view bytes, std::vector<std::pair<std::string, std::size_t>>& fonts,
                         std::vector<FontDetection>* finds) {
    try {
        return packageFontsUnguarded(bytes, fonts, finds);
    } catch (const std::bad_alloc&) {
        return std::string(kNotEnoughMemory);
    }
}

std::string packageParagraphs(std::string_view bytes, std::vector<std::vector<PackageRun>>& paragraphs) {
    try {
        return packageParagraphsUnguarded(bytes, paragraphs);
    } catch (const std::bad_alloc&) {
        return std::string(kNotEnoughMemory);
    }
}

}  // namespace tolvarin
