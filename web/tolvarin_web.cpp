// The engine as the browser page's worker calls it: a document's bytes in, the converted
// document handed out in pieces as it is written, and what happened as JSON. Nothing here
// touches a file or the network; the page reads and saves the user's files itself.
#include <emscripten.h>
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "api/convert_document.h"
#include "api/text_pane.h"
#include "fonts/legacy_font.h"
#include "io/file_io.h"
#include "output_path.h"

using namespace tolvarin;

// The page collects each piece as it comes; a failed conversion's pieces are dropped.
EM_JS(void, tolvarin_piece, (const char* data, std::size_t size), {
    Module['onPiece'](HEAPU8.slice(data, data + size));
});

namespace {

ContainedEnvironment gBrowser;
std::string gResult;  // the JSON of the last call, read by the page before the next

void appendJson(std::string& out, std::string_view text) {
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}

void field(std::string& out, std::string_view name, std::string_view value) {
    if (out.back() != '{') out += ',';
    appendJson(out, name);
    out += ':';
    appendJson(out, value);
}

void field(std::string& out, std::string_view name, std::size_t value) {
    if (out.back() != '{') out += ',';
    appendJson(out, name);
    out += ':' + std::to_string(value);
}

void field(std::string& out, std::string_view name, bool value) {
    if (out.back() != '{') out += ',';
    appendJson(out, name);
    out += value ? ":true" : ":false";
}

const char* failed(std::string_view error) {
    gResult = "{";
    field(gResult, "ok", false);
    field(gResult, "error", error);
    gResult += '}';
    return gResult.c_str();
}

// The engine writes in pieces of any size, many of them small; the page is handed them
// a megabyte at a time, each a copy out of the engine's memory.
class PieceBuffer {
public:
    PieceBuffer() { buffer_.reserve(kSize); }
    void add(std::string_view piece) {
        if (buffer_.size() + piece.size() > kSize) flush();
        if (piece.size() >= kSize) tolvarin_piece(piece.data(), piece.size());
        else buffer_.append(piece);
    }
    void flush() {
        if (!buffer_.empty()) tolvarin_piece(buffer_.data(), buffer_.size());
        buffer_.clear();
    }

private:
    static constexpr std::size_t kSize = std::size_t(1) << 20;
    std::string buffer_;
};

std::string_view extensionName(WrittenFormat format) { return extensionOf(format).substr(1); }

}  // namespace

extern "C" {

// Room for a document of `size` bytes, or null where memory runs short.
EMSCRIPTEN_KEEPALIVE void* tolvarin_alloc(std::size_t size) { return std::malloc(size ? size : 1); }
EMSCRIPTEN_KEEPALIVE void tolvarin_free(void* p) { std::free(p); }

// What the engine says when memory runs short, for what the page itself cannot hold.
EMSCRIPTEN_KEEPALIVE const char* tolvarin_not_enough_memory() {
    static const std::string text(kNotEnoughMemory);
    return text.c_str();
}

// The names of the legacy encodings the engine knows, in its order, as a JSON array.
EMSCRIPTEN_KEEPALIVE const char* tolvarin_encodings() {
    gResult = "[";
    for (const LegacyEncoding* encoding : legacyEncodings()) {
        if (gResult.size() > 1) gResult += ',';
        appendJson(gResult, encoding->name());
    }
    gResult += ']';
    return gResult.c_str();
}

// The fonts of a document, each with how many characters, the legacy font it is, and a
// sample of its first `sampleLength` characters as a person reads them.
EMSCRIPTEN_KEEPALIVE const char* tolvarin_inspect(const char* data, std::size_t size, std::size_t sampleLength) {
    try {
        const std::string_view input(data, size);
        const FontsReport report = documentFontSamples(input, sampleLength, gBrowser);
        if (!report.ok) return failed(report.error);
        gResult = "{";
        field(gResult, "ok", true);
        field(gResult, "format", extensionName(plannedOutput(input, ConversionOptions{}).format));
        gResult += ",\"fonts\":[";
        for (std::size_t i = 0; i < report.fonts.size(); ++i) {
            const FontUse& font = report.fonts[i];
            gResult += i ? ",{" : "{";
            field(gResult, "name", font.name);
            field(gResult, "characters", font.characters);
            field(gResult, "legacy", font.legacy);
            field(gResult, "encoding", font.encoding);
            field(gResult, "sample", font.sample);
            if (!font.found.empty()) {
                field(gResult, "found", font.found);
                field(gResult, "foundCharacters", font.foundCharacters);
                field(gResult, "foundSample", font.foundSample);
            }
            gResult += '}';
        }
        gResult += "]}";
        return gResult.c_str();
    } catch (const std::bad_alloc&) {
        return failed(kNotEnoughMemory);
    }
}

// What the page offers to convert to, in order, as a JSON array of {caption, name}.
EMSCRIPTEN_KEEPALIVE const char* tolvarin_targets() {
    gResult = "[";
    for (const ConversionTarget& t : conversionTargets()) {
        gResult += gResult.size() > 1 ? ",{" : "{";
        field(gResult, "caption", t.caption);
        field(gResult, "name", t.name);
        gResult += '}';
    }
    gResult += ']';
    return gResult.c_str();
}

// Converts the document `name`; its bytes go to the page piece by piece, and the result
// names the file to save them as. `target`: a name of tolvarin_targets() (ML-TTRevathi,
// unicode, a legacy font). `detect` 1: with Unicode, the words of ordinary fonts that read
// as a legacy encoding are converted too.
EMSCRIPTEN_KEEPALIVE const char* tolvarin_convert(const char* name, const char* data, std::size_t size,
                                                  const char* target, const char* unicodeFont, int detect) {
    try {
        const std::string_view input(data, size);
        const std::size_t chosen = conversionTargetIndex(target ? target : "");
        ConversionOptions options = chosen == 0 ? chosenTargetOptions(documentFonts(input, gBrowser), 0)
                                                : conversionTargetOptions(chosen);
        options.detect = detect != 0 && options.unicode;
        if (unicodeFont && *unicodeFont) options.unicodeFont = unicodeFont;
        const Destination toPage = [](const ContentProducer& produce) {
            PieceBuffer buffer;
            std::string error = produce([&](std::string_view piece) { buffer.add(piece); });
            buffer.flush();
            return error;
        };
        const ConversionReport report = convertDocument(input, options, toPage, gBrowser);
        if (!report.ok) return failed(report.error);
        gResult = "{";
        field(gResult, "ok", true);
        field(gResult, "format", extensionName(report.written));
        // The command line's name for it, with no folder.
        const std::u8string given(name, name + std::strlen(name));
        const std::filesystem::path derived =
            std::filesystem::path(DeriveOutputFilename(std::filesystem::path(given).u16string(), u"")).filename();
        const std::u8string output = withExtensionOf(derived, report.written).u8string();
        field(gResult, "output", std::string_view(reinterpret_cast<const char*>(output.data()), output.size()));
        field(gResult, "summary", conversionSummary(report, false));
        field(gResult, "converted", report.converted());
        field(gResult, "kept", report.kept());
        gResult += ",\"notes\":[";
        std::vector<std::string> notes = report.warnings;
        if (report.kept() > 0) notes.push_back(keptCharactersNote(report.kept()));
        if (const std::string note = notDrawnNote(report); !note.empty()) notes.push_back(note);
        if (!report.foundText.empty())
            notes.push_back(report.foundText + (options.unicode ? "; tick \u201cand text found in ordinary fonts\u201d to convert them"
                                                                : "; convert to Unicode Malayalam, with text found in ordinary fonts, to convert them"));
        for (std::size_t i = 0; i < notes.size(); ++i) {
            if (i) gResult += ',';
            appendJson(gResult, notes[i]);
        }
        gResult += "]}";
        return gResult.c_str();
    } catch (const std::bad_alloc&) {
        return failed(kNotEnoughMemory);
    }
}

// The text pane's conversions, as JSON {ok, text, note} or {ok: false, error}: Unicode
// Malayalam into `font`'s codes (`toFont` 1) or those codes back into Unicode, and a word
// processor's RTF from the clipboard into Unicode.
EMSCRIPTEN_KEEPALIVE const char* tolvarin_pane(const char* text, std::size_t size, const char* font, int toFont,
                                               int rtf) {
    try {
        const std::string_view input(text, size);
        PaneText out = rtf ? clipboardRtfToUnicode(input) : toFont ? unicodeToFont(input, font) : fontToUnicode(input, font);
        if (!out.ok) return failed(out.error);
        if (rtf && !out.text.empty() && out.text.back() == '\n') out.text.pop_back();  // the last paragraph's mark
        out.report.toFont = font;
        gResult = "{";
        field(gResult, "ok", true);
        field(gResult, "text", out.text);
        field(gResult, "note", toFont ? notDrawnNote(out.report)
                                      : out.report.kept() ? keptCharactersNote(out.report.kept()) : std::string());
        gResult += '}';
        return gResult.c_str();
    } catch (const std::bad_alloc&) {
        return failed(kNotEnoughMemory);
    }
}

// Text in a font called `fontName` is in the encoding of the legacy font `legacyName`;
// an empty `legacyName` forgets every name given so.
EMSCRIPTEN_KEEPALIVE int tolvarin_name_font(const char* fontName, const char* legacyName) {
    if (!*legacyName) {
        forgetLegacyFontNames();
        return 1;
    }
    return nameLegacyFont(fontName, legacyName) ? 1 : 0;
}

// Many converted documents in one zip archive: begin, add each, then finish; the
// archive goes to the page piece by piece.
namespace {
zip_source_t* gZipSource = nullptr;
zip_t* gZip = nullptr;
}  // namespace

EMSCRIPTEN_KEEPALIVE int tolvarin_zip_begin() {
    zip_error_t error;
    zip_error_init(&error);
    gZipSource = zip_source_buffer_create(nullptr, 0, 0, &error);
    gZip = gZipSource ? zip_open_from_source(gZipSource, ZIP_TRUNCATE, &error) : nullptr;
    zip_error_fini(&error);
    if (!gZip && gZipSource) zip_source_free(gZipSource);
    if (gZip) zip_source_keep(gZipSource);
    return gZip ? 1 : 0;
}

// Takes `data` over (it is freed with the archive). Already compressed formats are stored.
EMSCRIPTEN_KEEPALIVE int tolvarin_zip_add(const char* name, void* data, std::size_t size, int compress) {
    if (!gZip) return 0;
    zip_source_t* member = zip_source_buffer(gZip, data, size, 1);
    if (!member) return 0;
    const zip_int64_t index = zip_file_add(gZip, name, member, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(member);
        return 0;
    }
    zip_set_file_compression(gZip, zip_uint64_t(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    return 1;
}

EMSCRIPTEN_KEEPALIVE const char* tolvarin_zip_finish() {
    if (!gZip) return failed("the archive could not be started");
    std::string error;
    if (zip_close(gZip) != 0) {
        error = zip_strerror(gZip);
        zip_discard(gZip);
    }
    gZip = nullptr;
    if (error.empty() && zip_source_open(gZipSource) == 0) {
        char piece[1 << 16];
        for (zip_int64_t n; (n = zip_source_read(gZipSource, piece, sizeof piece)) > 0;)
            tolvarin_piece(piece, std::size_t(n));
        zip_source_close(gZipSource);
    } else if (error.empty()) {
        error = "the archive could not be read back";
    }
    zip_source_free(gZipSource);
    gZipSource = nullptr;
    if (!error.empty()) return failed("cannot make the zip archive: " + error);
    gResult = "{";
    field(gResult, "ok", true);
    gResult += '}';
    return gResult.c_str();
}

}  // extern "C"
