#include "conversion_pass.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "api/convert_document.h"
#include "core/document_kind.h"
#include "core/legacy_text.h"
#include "fonts/glyph_map.h"
#include "fonts/legacy_font.h"
#include "text/codepage.h"
#include "io/file_io.h"

namespace tolvarin {

namespace {

void setLocks(PassHost& host, bool enabled) {
    for (LockedControl c : kLockOrder) host.setControlEnabled(c, enabled);
}

}  // namespace

std::string nothingConvertedMessage(bool unicode, bool unicodeToo) {
    if (unicodeToo)
        return "No Malayalam text, in Unicode or in a legacy font (" + legacyEncodingList(" or ") +
               "), was found; the document was copied unchanged.";
    if (!unicode) return std::string(kMessageNothingConverted);
    return "No text in a legacy font (" + legacyEncodingList(" or ") +
           ") was found; the document was copied unchanged.";
}

std::string foundTextQuestion(std::string_view found) {
    return std::string(found) +
           ", though no legacy font is named for them.\n\nConvert those words to Unicode Malayalam too? Words that "
           "read as English stay as they are.";
}

PassOutcome runConversionPass(const Document& source, Document& working, Document& destination, PassHost& host,
                              const PassOptions& options) {
    // Legacy text in ordinary fonts is converted only when the user says so.
    bool detect = options.unicode && options.detect;
    if (options.unicode && !detect && source.source()) {
        host.setBusyCursor(true);
        const std::string found = foundTextNote(documentFonts(*source.source()));
        host.setBusyCursor(false);
        if (!found.empty()) detect = host.askYesNo(foundTextQuestion(found));
    }

    working.clear();
    destination.clear();
    working = source;

    host.setBusyCursor(true);
    setLocks(host, false);
    host.setStatus(kStatusConverting);

    PassOutcome outcome;
    std::size_t walked = 0;  // characters the walk mapped
    const std::u16string& text = working.text();
    const auto& runs = working.runs();
    // Positions are signed 32-bit; the walk's last step must not overflow them.
    if (text.size() >= std::size_t(std::numeric_limits<std::int32_t>::max() - 1)) {
        setLocks(host, true);
        host.setBusyCursor(false);
        outcome.status = PassOutcome::Status::SaveFailed;
        outcome.error = "the document is too long to convert";
        host.setStatus(std::string(kStatusNotSaved) + outcome.error);
        host.showError(outcome.error);
        return outcome;
    }
    const auto n = std::int32_t(text.size());

    // Per font of the working copy: whether it is a source font, and the output's
    // font for its characters. Looked up once, not per character.
    const std::size_t fontCount = working.fonts().size();
    std::vector<const LegacyEncoding*> fromSource(fontCount);  // null: not converted
    std::vector<Document::FontId> outFont(fontCount);
    // A legacy font whose text is only tabs and paragraph marks has nothing to convert and
    // keeps its name, as the conversion of the document's own bytes keeps it.
    std::vector<char> hasCharacters(fontCount, 0);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : text.size();
        char& has = hasCharacters[runs[r].format.font];
        for (std::size_t k = runs[r].start; k < end && !has; ++k) has = countsAsCharacter(text[k]);
    }
    for (std::size_t f = 0; f < fontCount; ++f) {
        const LegacyFont* legacy = legacyFontNamed(working.fonts()[f].name);
        fromSource[f] = convertsFont(legacy, false) && hasCharacters[f] ? &legacy->encoding() : nullptr;
        outFont[f] = fromSource[f] ? destination.fontId(Font{std::string(kTargetFontName), kAnsiCharset})
                                   : destination.fontId(working.fonts()[f]);
    }

    destination.reserve(text.size() + text.size() / 8);
    std::size_t run = 0;
    std::size_t runEnd = 0;  // the walk looks a run up only when it leaves the last one
    Document::RunFormat caret;
    const LegacyEncoding* sourceRun = nullptr;  // the encoding of the run's font, when it converts
    int previous = -1;  // the code before, typed in the same encoding and not taken into a pair
    currentPosition = 1;
    while (currentPosition <= n) {
        const std::int32_t p = currentPosition;
        if (!host.processEvents()) {
            outcome.status = PassOutcome::Status::Abandoned;
            return outcome;
        }
        // Character p's attributes. Every character of the document has definite
        // styles, so each reads as set or not set and is carried over as it is.
        const std::size_t index = std::size_t(p - 1);
        if (index >= runEnd) {
            run = working.runIndexAt(index, run);
            runEnd = run + 1 < runs.size() ? runs[run + 1].start : text.size();
            caret = runs[run].format;
            caret.font = outFont[caret.font];
            sourceRun = fromSource[runs[run].format.font];
            // Pieces take the caret's attributes: one check per run, not per piece.
            destination.openRun(caret);
        }

        const std::u16string_view current(&text[std::size_t(p - 1)], 1);
        if (sourceRun) {
            // Only a character typed in the same encoding may complete a pair: another
            // font's is the user's text.
            bool sameEncoding = p < n;
            if (sameEncoding && std::size_t(p) >= runEnd)
                sameEncoding = fromSource[runs[working.runIndexAt(std::size_t(p), run)].format.font] == sourceRun;
            const std::u16string_view following =
                sameEncoding ? std::u16string_view(&text[std::size_t(p)], 1) : std::u16string_view();
            const std::u16string_view mapped = MapGlyph(current, following);
            const int code = encodeCp1252(current[0]);
            if (mapped.data() == current.data() && code >= 0) {
                // No rule: what the rules leave to the converters (see revathiCodes()).
                const GlyphCodes g =
                    revathiCodes(*sourceRun, previous, std::uint8_t(code), following.empty() ? -1 : encodeCp1252(following[0]));
                for (std::size_t k = 0; k < g.length; ++k) destination.appendToRun(decodeCp1252(g.codes[k]));
            } else {
                for (char16_t c : mapped) destination.appendToRun(c);
            }
            const bool pair = currentPosition != p;
            walked += std::size_t(countsAsCharacter(code)) + (pair ? 1 : 0);
            previous = pair ? -1 : code;
        } else {
            destination.appendToRun(current[0]);
            previous = -1;
        }
        ++currentPosition;
    }

    setLocks(host, true);
    host.setBusyCursor(false);

    const std::filesystem::path path = host.outputPath();
    SaveResult saved;
    std::string foundText;  // what was left in ordinary fonts when nothing converted
    bool unicodeToo = !options.toFont.empty();  // Unicode Malayalam was looked for as well
    std::string notDrawn;                       // what the legacy font cannot draw
    ConversionOptions conversion;
    conversion.unicode = options.unicode;
    conversion.detect = detect;
    if (!options.unicodeFont.empty()) conversion.unicodeFont = options.unicodeFont;
    if (!options.toFont.empty()) {
        std::string error;
        if (!legacyTargetCalled(options.toFont, conversion, error)) throw std::invalid_argument(error);
    }
    if (const std::string* source = working.source()) {
        // The document's own bytes are converted, so that all its layout is kept; headers,
        // footnotes and the like are converted too, though the walk does not see them.
        if (!options.unicode && options.toFont.empty() && options.revathiForAnyText) {
            host.setBusyCursor(true);
            conversion = chosenTargetOptions(documentFonts(*source), 0);
            host.setBusyCursor(false);
            unicodeToo = conversion.toLegacy();
        }
        const ConversionReport converted = convertDocument(*source, conversion, intoFile(path));
        saved = {converted.ok, converted.error};
        // The window's way of asking for Unicode is its list.
        if (converted.error == kPdfNeedsUnicode) saved.description = std::string(kPdfNeedsUnicodeHere);
        outcome.counts = converted.counts;
        foundText = converted.foundText;
        notDrawn = notDrawnNote(converted);
    } else {
        saved = destination.saveFile(path);
        outcome.counts = LegacyCounts();
        outcome.counts.converted[panchariFont().index()] = walked;
    }
    if (!saved) {
        outcome.status = PassOutcome::Status::SaveFailed;
        outcome.error = saved.description;
        // Nothing runs any more: the status says so, beside the warning.
        host.setStatus(std::string(kStatusNotSaved) + saved.description);
        host.showError(saved.description);
        return outcome;
    }
    std::string message(kMessageConverted);
    if (outcome.converted() == 0 && outcome.kept() == 0)
        message += "\n" + (foundText.empty() ? nothingConvertedMessage(options.unicode, unicodeToo)
                                             : foundText + "; they were left as typed.");
    if (const std::string byFont = convertedByFontNote(outcome.counts); !byFont.empty()) message += "\n" + byFont;
    if (outcome.kept() > 0) message += "\n" + keptCharactersNote(outcome.kept());
    if (!notDrawn.empty()) message += "\n" + notDrawn;
    host.showMessage(message);
    host.setStatus(kStatusReady);
    return outcome;
}

}  // namespace tolvarin
