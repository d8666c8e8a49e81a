#include "office/package_conversion.h"

#include <algorithm>

#include "io/at_once.h"
#include "io/file_io.h"
#include "office/package_format.h"
#include "office/zip_package.h"

namespace tolvarin {
namespace {

constexpr std::string_view kOdfTextTypes[] = {"application/vnd.oasis.opendocument.text",
                                              "application/vnd.oasis.opendocument.text-template"};

struct Opened {
    explicit Opened(PackageReading reading) : text(reading) {}
    ZipPackage zip;
    std::unique_ptr<PackageFormat> format;
    PackageText text;
};

// Opens and reads the package. Returns an empty string, or what is wrong with it.
std::string open(std::string_view bytes, Opened& opened) {
    if (std::string error = opened.zip.open(bytes); !error.empty()) return error;
    if (opened.zip.has("mimetype")) {
        std::string type;
        if (std::string error = opened.zip.read("mimetype", type); !error.empty()) return error;
        while (!type.empty() && (type.back() == '\n' || type.back() == '\r' || type.back() == ' ')) type.pop_back();
        if (std::find(std::begin(kOdfTextTypes), std::end(kOdfTextTypes), type) == std::end(kOdfTextTypes)) {
            const bool readable = type.size() < 100 && std::all_of(type.begin(), type.end(), [](char c) {
                                      return c > ' ' && c < 0x7F;
                                  });
            return "an OpenDocument file, but not a text document" + (readable ? " (" + type + ")" : std::string());
        }
        opened.format = makeOdtFormat();
    } else if (opened.zip.has("[Content_Types].xml")) {
        opened.format = makeDocxFormat();
    } else {
        return "a zip archive, but not a Word or OpenDocument text document";
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

void fill(RewriteOutcome& outcome, const PackageText& text) {
    const OfficeCounts& counts = text.counts();
    outcome.converted = counts.converted;
    outcome.unknown = counts.unknown;
    outcome.convertedByFont = counts.byFont;
    if (!text.anyConverted())
        for (const auto& [name, n] : text.fonts())
            if (n > 0 && !name.empty()) outcome.textFonts.push_back(name);
}

RewriteOutcome failed(std::string error) {
    RewriteOutcome outcome;
    outcome.ok = false;
    outcome.error = std::move(error);
    return outcome;
}

}  // namespace

namespace {

RewriteOutcome convertPackageUnguarded(std::string_view bytes, std::string& out, const RewriteOptions& options,
                                       std::string* warning) {
    Opened opened(PackageReading{options.unicode, false, false, options.halvesFrom});
    if (std::string error = open(bytes, opened); !error.empty()) return failed(error);
    RewriteOutcome outcome;
    fill(outcome, opened.text);
    if (!opened.text.anyConverted()) {
        out.assign(bytes);
        return outcome;
    }
    if (std::string error = opened.format->write(opened.zip, opened.text, options); !error.empty()) return failed(error);
    // What was read is let go on a thread of its own while the archive is written: freeing
    // a long document's many pieces takes about as long.
    std::string error;
    atOnce([&] { error = opened.zip.save(out); },
           [&] {
               const PackageText read(std::move(opened.text));
               opened.format.reset();
           });
    if (!error.empty()) return failed(error);
    if (warning && isSigned(opened.zip))
        *warning = "the document was digitally signed; its signature no longer holds for the converted copy";
    return outcome;
}

RewriteOutcome packageUnicodeTextUnguarded(std::string_view bytes, std::string& utf8) {
    Opened opened(PackageReading{true, true, false});
    if (std::string error = open(bytes, opened); !error.empty()) return failed(error);
    RewriteOutcome outcome;
    fill(outcome, opened.text);
    utf8 = opened.text.plainText();
    return outcome;
}

std::string packageFontsUnguarded(std::string_view bytes, std::vector<std::pair<std::string, std::size_t>>& fonts) {
    Opened opened(PackageReading{false, false, true});
    if (std::string error = open(bytes, opened); !error.empty()) return error;
    fonts.clear();
    for (const auto& f : opened.text.fonts())
        if (f.second > 0) fonts.push_back(f);
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

// A package whose parts do not fit in memory fails like any other bad input.
RewriteOutcome convertPackage(std::string_view bytes, std::string& out, const RewriteOptions& options,
                              std::string* warning) {
    try {
        return convertPackageUnguarded(bytes, out, options, warning);
    } catch (const std::bad_alloc&) {
        return failed(std::string(kNotEnoughMemory));
    }
}

RewriteOutcome packageUnicodeText(std::string_view bytes, std::string& utf8) {
    try {
        return packageUnicodeTextUnguarded(bytes, utf8);
    } catch (const std::bad_alloc&) {
        return failed(std::string(kNotEnoughMemory));
    }
}

std::string packageFonts(std::string_view bytes, std::vector<std::pair<std::string, std::size_t>>& fonts) {
    try {
        return packageFontsUnguarded(bytes, fonts);
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
