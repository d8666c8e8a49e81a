#include "api/text_pane.h"

#include <cstdint>
#include <string>

#include "api/convert_document.h"
#include "api/text_in_font.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

PaneText failed(const std::string& error) {
    PaneText out;
    out.ok = false;
    out.error = error;
    return out;
}

}  // namespace

PaneText unicodeToFont(std::string_view utf8, std::string_view font) {
    ConversionOptions options;
    std::string error;
    if (!legacyTargetCalled(font, options, error)) return failed(error);
    PaneText out;
    if (utf8.empty()) return out;
    // Plain text whatever it begins with: a pane's text is never a document.
    std::string codes;
    out.report = convertPlainText(utf8, options, intoString(codes));
    if (!out.report.ok) return failed(out.report.error);
    for (char c : codes) appendUtf8(out.text, decodeCp1252(std::uint8_t(c)));
    return out;
}

PaneText fontToUnicode(std::string_view codes, std::string_view font) {
    ConversionOptions options;
    std::string error;
    if (!legacyTargetCalled(font, options, error)) return failed(error);
    const LegacyEncoding& encoding = *options.toEncoding;
    options = ConversionOptions();
    options.unicode = true;
    options.from = {&encoding};
    options.fromUnicode = false;
    PaneText out;
    // Each stretch of codes is read in the font's encoding; anything else stays.
    std::string stretch;
    const auto flush = [&] {
        if (stretch.empty()) return true;
        std::string unicode;
        const ConversionReport r = convertPlainText(stretch, options, intoString(unicode));
        if (!r.ok) return false;
        out.report.counts.add(r.counts);
        out.text += unicode;
        stretch.clear();
        return true;
    };
    for (std::size_t i = 0; i < codes.size();) {
        const std::size_t at = i;
        const char32_t c = nextCodePoint(codes, i);
        const int code = c < 0x10000 ? encodeCp1252(char16_t(c)) : -1;
        if (code >= 0) {
            stretch += char(code);
            continue;
        }
        if (!flush()) return failed("the text could not be read");
        out.text.append(codes.substr(at, i - at));
    }
    if (!flush()) return failed("the text could not be read");
    return out;
}

std::string codesAsRtf(std::string_view codes, std::string_view font) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 ";
    for (char c : font)
        if (c != ';' && c != '{' && c != '}' && c != '\\') rtf += c;
    rtf += ";}}\\f0 ";
    for (std::size_t i = 0; i < codes.size();) {
        const char32_t c = nextCodePoint(codes, i);
        if (c == '\r') continue;
        if (c == '\n') {
            rtf += "\\par\n";
            continue;
        }
        const int code = c < 0x10000 ? encodeCp1252(char16_t(c)) : -1;
        if (code < 0) {
            // Not a code of the font: as the character it is.
            if (c >= 0x10000) {
                const char32_t v = c - 0x10000;
                rtf += "\\u" + std::to_string(int(std::int16_t(0xD800 + (v >> 10)))) + "?";
                rtf += "\\u" + std::to_string(int(std::int16_t(0xDC00 + (v & 0x3FF)))) + "?";
            } else {
                rtf += "\\u" + std::to_string(int(std::int16_t(c))) + "?";
            }
        } else if (code == '\\' || code == '{' || code == '}') {
            rtf += '\\';
            rtf += char(code);
        } else if (code >= 0x20 && code < 0x80) {
            rtf += char(code);
        } else {
            rtf += "\\'";
            rtf += kHex[code >> 4];
            rtf += kHex[code & 15];
        }
    }
    rtf += "}";
    return rtf;
}

PaneText clipboardRtfToUnicode(std::string_view rtf) {
    ConversionOptions options;
    options.unicode = true;
    options.textOnly = true;
    PaneText out;
    out.report = convertDocument(rtf, options, intoString(out.text));
    if (!out.report.ok) return failed(out.report.error);
    return out;
}

}  // namespace tolvarin
