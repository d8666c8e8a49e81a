#include "core/conversion_report.h"

#include "text/utf8.h"

namespace tolvarin {

std::string_view extensionOf(WrittenFormat format) {
    switch (format) {
    case WrittenFormat::Docx: return ".docx";
    case WrittenFormat::Odt: return ".odt";
    case WrittenFormat::Odp: return ".odp";
    case WrittenFormat::Ods: return ".ods";
    case WrittenFormat::Pptx: return ".pptx";
    case WrittenFormat::Xlsx: return ".xlsx";
    case WrittenFormat::Text: return ".txt";
    case WrittenFormat::Rtf: break;
    }
    return ".rtf";
}

bool extensionSays(std::string_view extension, WrittenFormat format) {
    std::string lower(extension);
    for (char& c : lower) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    switch (format) {
    case WrittenFormat::Docx: return lower == ".docx" || lower == ".docm" || lower == ".dotx" || lower == ".dotm";
    case WrittenFormat::Odt: return lower == ".odt" || lower == ".ott";
    case WrittenFormat::Odp: return lower == ".odp" || lower == ".otp";
    case WrittenFormat::Ods: return lower == ".ods" || lower == ".ots";
    case WrittenFormat::Pptx:
        return lower == ".pptx" || lower == ".pptm" || lower == ".ppsx" || lower == ".ppsm" || lower == ".potx" ||
               lower == ".potm";
    case WrittenFormat::Xlsx: return lower == ".xlsx" || lower == ".xlsm" || lower == ".xltx" || lower == ".xltm";
    case WrittenFormat::Text: return lower == ".txt";
    case WrittenFormat::Rtf: break;
    }
    return lower == ".rtf";
}

std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string convertedByFontNote(const LegacyCounts& counts) {
    std::vector<std::string> parts;
    const auto fonts = legacyFonts();
    for (std::size_t f = 0; f < counts.converted.size() && f < fonts.size(); ++f)
        if (counts.converted[f] > 0) parts.push_back(grouped(counts.converted[f]) + " " + std::string(fonts[f]->name()));
    if (counts.unicode > 0) parts.push_back(grouped(counts.unicode) + " Unicode");
    if (parts.size() < 2) return {};
    std::string note;
    for (std::size_t i = 0; i < parts.size(); ++i)
        note += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return note + " characters converted";
}

std::string keptCharactersNote(std::size_t kept) {
    if (kept == 1) return "1 character had no Unicode equivalent and was kept as it was";
    return std::to_string(kept) + " characters had no Unicode equivalent and were kept as they were";
}

std::string notDrawnNote(const ConversionReport& report) {
    std::string note;
    const LegacyCounts& c = report.counts;
    if (c.notDrawn > 0) {
        note = grouped(c.notDrawn) + (c.notDrawn == 1 ? " character " : " characters ") + report.toFont + " cannot draw (";
        // The first few, enough to see what they are.
        constexpr std::size_t kNamed = 12;
        for (std::size_t i = 0; i < c.notDrawnCharacters.size() && i < kNamed; ++i) {
            if (i) note += ' ';
            appendUtf8(note, c.notDrawnCharacters[i]);
        }
        if (c.notDrawnCharacters.size() > kNamed) note += " ...";
        note += c.notDrawn == 1 ? ") was " : ") were ";
        note += report.written == WrittenFormat::Text ? "written as ?" : "kept in Unicode";
    }
    if (c.approximated > 0)
        note += (note.empty() ? "" : "; ") + grouped(c.approximated) +
                (c.approximated == 1 ? " character was" : " characters were") + " drawn as the nearest glyph " +
                report.toFont + " has (a chillu with a visible virama)";
    return note;
}

std::string_view writtenKindName(WrittenFormat format) {
    switch (format) {
    case WrittenFormat::Docx: return "a DOCX";
    case WrittenFormat::Odt: return "an ODT";
    case WrittenFormat::Odp: return "an ODP";
    case WrittenFormat::Ods: return "an ODS";
    case WrittenFormat::Pptx: return "a PPTX";
    case WrittenFormat::Xlsx: return "an XLSX";
    case WrittenFormat::Text: return "text";
    case WrittenFormat::Rtf: break;
    }
    return "RTF";
}

std::string conversionSummary(const ConversionReport& outcome, bool text) {
    if (const std::string byFont = convertedByFontNote(outcome.counts); !byFont.empty()) return byFont;
    if (outcome.converted() > 0 || outcome.kept() > 0) return std::to_string(outcome.converted()) + " characters converted";
    // A document typed in another font, said plainly: in a batch it must not pass for one that converted.
    std::string line = !outcome.toFont.empty() ? "no Malayalam text to write in " + outcome.toFont
                       : outcome.toUnicode     ? "no text in a legacy font"
                                               : "no text in PANCHARI";
    if (!outcome.textFonts.empty()) {
        line += " (fonts used: ";
        for (std::size_t i = 0; i < outcome.textFonts.size(); ++i) line += (i ? ", " : "") + outcome.textFonts[i];
        line += ")";
    }
    if (text || outcome.written == WrittenFormat::Text) return line + "; its text written as it is";
    // A .doc comes out as the DOCX LibreOffice made of it, not as it went in.
    return line + (outcome.fromWordBinary ? "; written as the DOCX LibreOffice made of it" : "; written unchanged");
}

}  // namespace tolvarin
