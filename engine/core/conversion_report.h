// What a conversion reports, and how the front ends say it: the counts by legacy font,
// the fonts of a document with nothing to convert, warnings, and what was written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/legacy_text.h"

namespace tolvarin {

// What a converted document is written as.
enum class WrittenFormat { Rtf, Docx, Odt, Text, Odp, Ods, Pptx, Xlsx };
// ".rtf", ".docx", ".odt", ".txt", ".odp", ".ods", ".pptx", ".xlsx".
std::string_view extensionOf(WrittenFormat format);
// Whether a file name's extension says it holds `format` (any case; .docm and .dotx are
// DOCX, .ott ODT, .otp ODP, .ots ODS, .pptm and .ppsx PPTX, .xlsm XLSX).
bool extensionSays(std::string_view extension, WrittenFormat format);

struct ConversionReport {
    bool ok = true;
    std::string error;  // on failure: what failed, and where, for a person
    LegacyCounts counts;
    // When nothing was converted: the fonts the text is set in, by name, in the order first used.
    std::vector<std::string> textFonts;
    // What the user should know of a conversion that succeeded.
    std::vector<std::string> warnings;
    // When nothing was converted and detection was not asked for: what the ordinary fonts
    // hold that reads as a legacy encoding ("4,637 characters in Calibri read as ML-TT"),
    // for each front end to say with its own way of converting it.
    std::string foundText;
    WrittenFormat written = WrittenFormat::Rtf;
    bool fromWordBinary = false;  // a Word 97-2003 document, made a DOCX by LibreOffice first
    bool toUnicode = false;       // every legacy encoding was looked for, not PANCHARI alone
    bool passedOver = false;      // no document but a file a batch meets beside them (Word's lock file)
    std::string toFont;  // the legacy font it was written in (--to FONT), or empty

    explicit operator bool() const { return ok; }
    std::size_t converted() const { return counts.totalConverted(); }
    std::size_t kept() const { return counts.totalKept(); }
    static ConversionReport failure(std::string error) {
        ConversionReport r;
        r.ok = false;
        r.error = std::move(error);
        return r;
    }
};

// "1,204 PANCHARI and 3,310 ML-TT characters converted", when text of more than one
// legacy font was converted; otherwise empty.
std::string convertedByFontNote(const LegacyCounts& counts);

// What is said of codes kept as typed, having no Unicode value.
std::string keptCharactersNote(std::size_t kept);

// What is said of the characters a legacy font cannot draw, or empty: "2 characters
// ML-TTKarthika cannot draw (ഌ ൿ) were kept in Unicode".
std::string notDrawnNote(const ConversionReport& report);

// 1204 as "1,204".
std::string grouped(std::size_t n);

// "RTF", "a DOCX", "an ODT", "an ODP", "text": what a file is written as, in a sentence.
std::string_view writtenKindName(WrittenFormat format);

// What a file's line says of its conversion (`text`: the text alone was written), as
// every front end says it.
std::string conversionSummary(const ConversionReport& outcome, bool text);

}  // namespace tolvarin
