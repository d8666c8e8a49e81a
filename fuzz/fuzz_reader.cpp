// libFuzzer target: any bytes into the RTF reader, and whatever loads written
// back and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tolvarin::Document doc;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (!doc.setRtf(input)) return 0;
    tolvarin::Document again;
    // What we write must always read back.
    if (!again.setRtf(doc.rtf()) || again.text() != doc.text()) std::abort();
    return 0;
}
