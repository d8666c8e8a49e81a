// Deflating and inflating the parts a conversion reads and changes, with the fastest
// library the build has: ISA-L (Linux), libdeflate, or none, when libzip's own zlib
// does both. The one place that knows which is present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "io/byte_sink.h"

namespace tolvarin::deflate {

// Whether this build deflates and inflates parts itself; where not, libzip does.
bool available();

// Inflates the raw deflate stream `packed` into `out`: true when it unpacks to exactly
// `size` bytes whose checksum is `crc`. Anything unusual is left to libzip's reading,
// which says what is wrong.
bool inflate(std::string_view packed, std::size_t size, std::uint32_t crc, std::string& out);

// A raw deflate stream, with the size and checksum of what it holds.
struct Packed {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::uint64_t unpacked = 0;
    std::uint32_t crc = 0;
};

// A stretch of new content: about `size` bytes, which `make` hands to its sink in order.
struct ContentPiece {
    std::size_t size;
    std::function<void(ByteSink&)> make;
};

// Deflates `content`; false where this build does not (or it cannot be packed).
bool pack(std::string_view content, Packed& out);
// Deflates content made piece by piece, as it is made where that can be (two pieces
// side by side on two threads): a long part is then never whole in memory. The pieces
// are made and done with before it returns. False where this build does not pack
// content made so; the caller then makes it whole.
bool packAsMade(const std::vector<ContentPiece>& pieces, Packed& out);

}  // namespace tolvarin::deflate
