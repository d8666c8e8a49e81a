// libFuzzer target: any bytes, read as a PDF, into its Unicode text and its fonts. A PDF
// that reads gives the same text twice and lists fonts; one that does not says why.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "api/convert_document.h"

using namespace tolvarin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Every input is a PDF to the engine: its header first.
    std::string input = "%PDF-1.4\n";
    input.append(reinterpret_cast<const char*>(data), size);
    ConversionOptions options;
    options.unicode = options.textOnly = true;
    std::string first, second;
    const ConversionReport a = convertDocument(input, options, intoString(first));
    const ConversionReport b = convertDocument(input, options, intoString(second));
    if (a.ok != b.ok || first != second) std::abort();
    if (!a.ok && a.error.empty()) std::abort();
    const FontsReport fonts = documentFonts(input);
    if (fonts.ok != a.ok) std::abort();
    return 0;
}
