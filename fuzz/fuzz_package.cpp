// libFuzzer target: any bytes into the conversion of packages (DOCX, ODT, PPTX, XLSX,
// ODP, ODS). What converts must
// open again, and in Unicode its text must read as the input's text in Unicode; a
// package without legacy text comes out as its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "office/package_conversion.h"

using namespace tolvarin;

namespace {

ConversionReport packageText(std::string_view package, std::string& text) {
    ConversionOptions options;
    options.unicode = options.textOnly = true;
    return convertPackage(package, options, intoString(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string text;
    const ConversionReport read = packageText(input, text);
    for (bool unicode : {false, true}) {
        std::string out;
        ConversionOptions options;
        options.unicode = unicode;
        const ConversionReport r = convertPackage(input, options, intoString(out));
        // What cannot be read cannot convert; a member damaged past its reading fails the save.
        if (r.ok && !read.ok) std::abort();
        if (!r.ok) {
            if (r.error.empty()) std::abort();
            continue;
        }
        if (r.converted() == 0 && r.kept() == 0 && out != input) std::abort();
        std::string again;
        if (!packageText(out, again).ok) std::abort();
        if (unicode && again != text) std::abort();
    }
    return 0;
}
