// The engine's one entry point: every front end (the command line, the window, the
// tools) hands it a document's bytes and gets the document converted, whatever its
// kind. It tells the kinds apart by their content, converts a Word 97-2003 document
// through what the environment offers, and says what it did.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/conversion_options.h"
#include "core/conversion_report.h"
#include "core/document_kind.h"
#include "core/environment.h"
#include "io/destination.h"
#include "model/document.h"

namespace tolvarin {

// The licence the programs are given under, as each front end says it.
inline constexpr std::string_view kLicenceNotice =
    "Tolvarin is free software, given under the GNU General Public License, version 3 or later, "
    "with no warranty; see LICENSE, and NOTICES.txt for the libraries built into it.";

// The desktop's environment: threads, and LibreOffice where it is installed.
Environment& desktopEnvironment();

// Whether this build reads PDFs (to Unicode text): the Linux build does, with poppler.
bool readsPdfs();

// Converts the document in `input` (RTF, DOCX, ODT, or a Word 97-2003 document) into
// `destination`, which is handed the result only once it is whole. Bad input fails with
// a reason a person can act on, and the destination is left as it was.
ConversionReport convertDocument(std::string_view input, const ConversionOptions& options,
                                 const Destination& destination, Environment& environment = desktopEnvironment());

// Documents about to be converted one after another: what can be done for all of them at
// once is (Word 97-2003 documents go to LibreOffice in one call).
void prepareDocuments(const std::vector<std::string_view>& inputs, Environment& environment = desktopEnvironment());

// What convertDocument() will write the document in `input` as, told from its bytes
// the same way (a front end names the output before converting).
struct PlannedOutput {
    WrittenFormat format = WrittenFormat::Rtf;
    bool fromWordBinary = false;  // a Word 97-2003 document, to be made a DOCX first
    bool passedOver = false;      // no document but a file a batch passes over (ConversionReport::passedOver)
};
PlannedOutput plannedOutput(std::string_view input, const ConversionOptions& options);
// `path` with the extension of what is written in `format`, where its own does not say
// it already (letter.docx holding RTF comes out as .rtf; a .docm stays a .docm).
std::filesystem::path withExtensionOf(const std::filesystem::path& path, WrittenFormat format);

// The fonts a document's text is set in, with how many characters each, in the order
// first used.
struct FontUse {
    std::string name;
    std::size_t characters = 0;
    std::string legacy;    // the legacy font it is (PANCHARI, ML-TT, Manorama ...), or empty
    std::string encoding;  // that legacy font's encoding (PANCHARI, ML-TT, Matweb ...), or empty
    std::string sample;    // with documentFontSamples(): its first characters, as a person reads them
    // An ordinary font whose words read as a legacy encoding: that encoding, how many
    // characters those words have, and (with samples) their first ones in Malayalam.
    std::string found;
    std::size_t foundCharacters = 0;
    std::string foundSample;
};
struct FontsReport {
    bool ok = true;
    std::string error;
    std::vector<FontUse> fonts;
    bool fromWordBinary = false;
};
FontsReport documentFonts(std::string_view input, Environment& environment = desktopEnvironment());
// The same, each font with a sample of its first `length` characters: a legacy font's
// converted to Unicode Malayalam, so a person sees that it was recognised.
FontsReport documentFontSamples(std::string_view input, std::size_t length,
                                Environment& environment = desktopEnvironment());

// Text in a font called `fontName` is in the encoding of the legacy font `legacyName`
// (PANCHARI, ML-TT, Manorama ...: a font or an encoding, legacyEncodings()) and counted
// as its, for documents whose legacy font has an unusual name; for every conversion
// after. False when no legacy font or encoding is so called.
bool nameLegacyFont(std::string_view fontName, std::string_view legacyName);
// Forgets the names given so (defined with the fonts).
void forgetLegacyFontNames();

// The options the choice conversionTargets()[index] converts a document with, as the
// windows and the page offer it: conversionTargetOptions(index), except that
// ML-TTRevathi, for a document with no PANCHARI text, writes its Unicode Malayalam and its
// other encodings' text in ML-TTRevathi (as the font chosen by name would).
ConversionOptions chosenTargetOptions(const FontsReport& fonts, std::size_t index);

// "4,637 characters in Calibri read as ML-TT": what the ordinary fonts of a report hold,
// or empty.
std::string foundTextNote(const FontsReport& fonts);

// Reads a document of any kind into the window's model: its text and formatting as far
// as the model holds them, and its bytes, which a conversion of it takes. On failure
// the model is left as it was.
LoadResult loadDocument(std::string bytes, Document& model, Environment& environment = desktopEnvironment());
LoadResult loadDocumentFile(const std::filesystem::path& path, Document& model,
                            Environment& environment = desktopEnvironment());

}  // namespace tolvarin
