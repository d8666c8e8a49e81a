// A build without libzip and expat (the Windows cross-build when they are not at
// hand) reads RTF only, and says so of a package.
#include "office/package_conversion.h"

namespace tolvarin {
namespace {

constexpr const char* kUnavailable =
    "DOCX and ODT documents are not supported by this build of tolvarin-convert; save the document as RTF "
    "in a word processor";

}  // namespace

ConversionReport convertPackage(std::string_view, const ConversionOptions&, const Destination&) {
    return ConversionReport::failure(kUnavailable);
}

WrittenFormat packageFormat(std::string_view) { return WrittenFormat::Docx; }

std::string packageParagraphs(std::string_view, std::vector<std::vector<PackageRun>>&) { return kUnavailable; }

std::string packageFonts(std::string_view, std::vector<std::pair<std::string, std::size_t>>&, std::vector<FontDetection>*) {
    return kUnavailable;
}

}  // namespace tolvarin
