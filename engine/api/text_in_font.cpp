#include "api/text_in_font.h"

#include "core/document_kind.h"
#include "fonts/legacy_encoder.h"
#include "rtf/rtf_tokenizer.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = std::uint8_t(s[i]);
        const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size() || (n == 2 && b < 0xC2)) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((std::uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// The codes of a line typed in `encoding`, in Unicode (codes without a value as
// Windows-1252 reads them), counted under its first font.
void decodeLine(const LegacyEncoding& encoding, std::string_view line, std::string& out, LegacyCounts& counts) {
    thread_local LegacyStretch stretch;
    thread_local ConvertedStretch converted;
    stretch.clear();
    if (line.empty()) return;
    stretch.add(reinterpret_cast<const std::uint8_t*>(line.data()), line.size(), firstFontOf(encoding));
    convertLegacyStretch(stretch, true, converted, counts);
    const std::u16string_view text = converted.text();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (kept < converted.kept.size() && converted.kept[kept] == i) {
            ++kept;
            appendUtf8(out, decodeCp1252(std::uint8_t(line[i])));
            continue;
        }
        appendUtf16(out, text.substr(converted.textBefore(i), converted.ends[i] - converted.textBefore(i)));
    }
}

// UTF-16 with its byte-order mark (what Notepad saves as "Unicode"): 1 little-endian, 2
// big-endian, 0 neither.
int utf16Order(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2) return 0;
    if (bytes.substr(0, 2) == "\xFF\xFE") return 1;
    if (bytes.substr(0, 2) == "\xFE\xFF") return 2;
    return 0;
}

// UTF-16 text (after its byte-order mark) as UTF-8.
std::string utf16ToUtf8(std::string_view bytes, bool little) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto a = std::uint8_t(bytes[i]), b = std::uint8_t(bytes[i + 1]);
        units += char16_t(little ? a | b << 8 : b | a << 8);
    }
    std::string out;
    appendUtf16(out, units);
    return out;
}

}  // namespace

bool isPlainText(std::string_view bytes, bool asCodes) {
    if (bytes.empty() || startsAsRtf(bytes) || documentKind(bytes) != DocumentKind::Rtf) return false;
    if (!asCodes && utf16Order(bytes)) return true;
    if (bytes.find('\0') != std::string_view::npos) return false;
    if (bytes.substr(0, 3) == kBom) bytes.remove_prefix(3);
    // Markup (HTML, XML, SVG, and RTF without its header) is a kind of document of its own,
    // which written as a font's codes would lose its characters and its charset: it is
    // refused as the other modes refuse it, not taken as text.
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && (bytes[first] == '<' || bytes.substr(first, 2) == "{\\")) return false;
    if (asCodes) return true;
    // Its beginning tells; a stray byte further on is read as well as it can be.
    constexpr std::size_t kLooked = 1 << 16;
    if (bytes.size() > kLooked) {
        std::size_t end = kLooked;
        while (end > 0 && (std::uint8_t(bytes[end]) & 0xC0) == 0x80) --end;
        bytes = bytes.substr(0, end);
    }
    return validUtf8(bytes);
}

const LegacyEncoding* plainTextCodes(const ConversionOptions& options) {
    if (options.from.size() != 1 || !options.from[0] || options.fromUnicode) return nullptr;
    return options.from[0];
}

ConversionReport convertPlainText(std::string_view bytes, const ConversionOptions& options,
                                  const Destination& destination) {
    ConversionReport report;
    report.written = WrittenFormat::Text;
    report.toUnicode = options.unicode;
    std::string unicode;
    if (const LegacyEncoding* encoding = plainTextCodes(options)) {
        // A line at a time: a line break ends every syllable.
        for (std::size_t start = 0; start < bytes.size();) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string_view::npos) end = bytes.size();
            std::string_view line = bytes.substr(start, end - start);
            const bool cr = !line.empty() && line.back() == '\r';
            if (cr) line.remove_suffix(1);
            decodeLine(*encoding, line, unicode, report.counts);
            if (cr) unicode += '\r';
            if (end < bytes.size()) unicode += '\n';
            start = end + 1;
        }
    } else if (const int order = utf16Order(bytes)) {
        unicode = utf16ToUtf8(bytes, order == 1);
    } else {
        if (bytes.substr(0, 3) == kBom) bytes.remove_prefix(3);
        unicode.assign(bytes);
    }
    if (options.toLegacy()) return writeTextInFont(unicode, options, std::move(report), destination);
    report.error = destination([&](const PieceSink& write) {
        write(unicode);
        return std::string();
    });
    report.ok = report.error.empty();
    return report;
}

ConversionReport writeTextInFont(std::string_view utf8, const ConversionOptions& options, ConversionReport report,
                                 const Destination& destination) {
    std::u32string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) text += nextCodePoint(utf8, i);
    const EncodedText encoded = encodeText(*options.toEncoding, text);
    report.written = WrittenFormat::Text;
    report.toUnicode = false;
    report.toFont = options.toFont;
    // What was written in the font is what the line counts, whatever it was read from.
    std::size_t malayalam = 0;
    for (char32_t c : text) malayalam += c >= 0x0D00 && c <= 0x0D7F;
    report.counts.converted.assign(report.counts.converted.size(), 0);
    report.counts.unicode = malayalam - std::min(malayalam, encoded.notDrawnCount);
    report.counts.notDrawn = encoded.notDrawnCount;
    report.counts.notDrawnCharacters = encoded.notDrawn;
    report.counts.approximated = encoded.approximated;
    report.error = destination([&](const PieceSink& write) {
        write(encoded.codes);
        return std::string();
    });
    report.ok = report.error.empty();
    return report;
}

}  // namespace tolvarin
