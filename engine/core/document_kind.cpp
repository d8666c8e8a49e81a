#include "core/document_kind.h"

#include <cstdint>

namespace tolvarin {

namespace {

// Word's lock file: 162 bytes, the first the length of the name of who has the document
// open, that name after it.
bool isWordLock(std::string_view bytes) {
    if (bytes.size() != 162) return false;
    const auto length = std::size_t(std::uint8_t(bytes[0]));
    if (length == 0 || length > 53) return false;
    for (std::size_t i = 1; i <= length; ++i)
        if (std::uint8_t(bytes[i]) < 0x20) return false;
    return bytes[1] != '{';
}

}  // namespace

DocumentKind documentKind(std::string_view bytes) {
    if (bytes.empty()) return DocumentKind::Empty;
    if (isWordLock(bytes)) return DocumentKind::WordLock;
    // A PDF may have a few bytes before its header; RTF never does.
    if (bytes[0] != '{' && bytes.substr(0, 1024).find("%PDF-") != std::string_view::npos)
        return DocumentKind::Pdf;
    if (bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4) || bytes.substr(0, 4) == std::string_view("PK\x05\x06", 4))
        return DocumentKind::Package;
    if (bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        // An encrypted DOCX is a compound file with a stream of this name.
        constexpr char kStream[] = "E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0";
        if (bytes.find(std::string_view(kStream, sizeof kStream - 1)) != std::string_view::npos)
            return DocumentKind::Encrypted;
        return DocumentKind::WordBinary;
    }
    return DocumentKind::Rtf;
}

}  // namespace tolvarin
