#include "api/convert_document.h"

#include <algorithm>
#include <unordered_map>
#include <new>

#include "api/text_in_font.h"
#include "api/word_binary.h"
#include "convert/conversion.h"
#include "core/file_kind.h"
#include "core/document_kind.h"
#include "io/file_io.h"
#include "io/threads.h"
#include "model/document_text.h"
#include "pdf/pdf_text.h"
#include "text/codepage.h"
#include "office/package_conversion.h"

namespace tolvarin {
namespace {

class DesktopEnvironment final : public Environment {
public:
    bool threads() const override { return true; }
    std::string wordBinaryToDocx(std::string_view doc, std::string& docx) override {
        return wordBinaries_.toDocx(doc, docx);
    }
    void prepareWordBinaries(const std::vector<std::string_view>& docs) override { wordBinaries_.prepare(docs); }

private:
    WordBinaryConverter wordBinaries_;  // one LibreOffice profile for the run, removed at its end
};

// A document's bytes as the formats read them: a Word 97-2003 document is first made a
// DOCX by what the environment offers.
struct Input {
    std::string_view bytes;
    DocumentKind kind = DocumentKind::Rtf;
    std::string docx;  // the DOCX made of a Word 97-2003 document
    bool fromWordBinary = false;
};

// Returns an empty string, or why the document cannot be read.
std::string prepare(std::string_view bytes, Environment& environment, Input& in) {
    in.bytes = bytes;
    in.kind = documentKind(bytes);
    if (const std::string_view foreign = foreignFileKind(bytes); !foreign.empty()) return foreignFileMessage(foreign);
    if (in.kind == DocumentKind::Encrypted) return std::string(kPasswordProtected);
    if (in.kind == DocumentKind::Empty) return std::string(kEmptyFile);
    if (in.kind == DocumentKind::WordLock) return std::string(kWordLockFile);
    if (in.kind == DocumentKind::WordBinary) {
        if (std::string error = environment.wordBinaryToDocx(bytes, in.docx); !error.empty()) return error;
        in.bytes = in.docx;
        in.kind = DocumentKind::Package;
        in.fromWordBinary = true;
    }
    return {};
}

// Word writes a symbol font's codes as U+F020-U+F0FF: a legacy font's are its codes.
std::u16string legacyCodes(std::u16string text) {
    for (char16_t& c : text)
        if (c >= 0xF020 && c <= 0xF0FF) c = decodeCp1252(std::uint8_t(c - 0xF000));
    return text;
}

// Whether a line of legacy text goes on in the next. A producer's line breaking is made
// for Latin text and may wrap inside a word; where the next line starts with a sign that
// follows its consonant, which no line of Malayalam does, it did.
// `legacy` finds the legacy font a span's font name is, or null.
bool wordGoesOn(const PdfLine& line, const PdfLine& next, const auto& legacy) {
    if (line.empty() || next.empty() || next.front().text.empty()) return false;
    const LegacyFont* before = legacy(line.back().font);
    const LegacyFont* after = legacy(next.front().font);
    if (!before || !after || &before->encoding() != &after->encoding()) return false;
    const LegacyEncoding& encoding = after->encoding();
    const int code = encodeCp1252(legacyCodes(next.front().text.substr(0, 1))[0]);
    if (code < 0) return false;
    const GlyphKind kind = encoding.kind(std::uint8_t(code));
    return kind == GlyphKind::PostSign || kind == GlyphKind::Virama || kind == GlyphKind::Medial ||
           kind == GlyphKind::Geminate || encoding.role(std::uint8_t(code)) == GlyphRole::PostBase;
}

// A PDF's lines as the window's model holds a document: a paragraph a line, a run a span.
Document pdfModel(const std::vector<PdfLine>& lines) {
    Document doc;
    // A PDF names the font of every word: each name is looked up once.
    std::unordered_map<std::string, std::pair<const LegacyFont*, Document::FontId>> fonts;
    const auto font = [&](const std::string& name) -> const std::pair<const LegacyFont*, Document::FontId>& {
        auto at = fonts.find(name);
        if (at == fonts.end())
            at = fonts.emplace(name, std::make_pair(legacyFontNamed(name), doc.fontId(Font{name, kAnsiCharset}))).first;
        return at->second;
    };
    const auto legacy = [&](const std::string& name) { return font(name).first; };
    for (std::size_t l = 0; l < lines.size(); ++l) {
        for (const PdfSpan& span : lines[l]) {
            const auto& [legacyFont, id] = font(span.font);
            Document::RunFormat format;
            format.font = id;
            doc.append(legacyFont ? legacyCodes(span.text) : span.text, format);
        }
        if (l + 1 < lines.size() && !wordGoesOn(lines[l], lines[l + 1], legacy))
            doc.append(std::u16string_view(&kParagraphBreak, 1), Document::RunFormat{});
    }
    return doc;
}

// Reads a PDF into the model; returns an empty string, or why it cannot be read.
std::string readPdf(std::string_view bytes, Document& doc) {
    std::vector<PdfLine> lines;
    if (std::string error = pdfLines(bytes, lines); !error.empty()) return error;
    doc = pdfModel(lines);
    return {};
}

// A document's text in Unicode Malayalam, read through the window's model.
ConversionReport modelText(const Document& doc, const Destination& destination) {
    ConversionReport report;
    report.written = WrittenFormat::Text;
    const std::string text = documentUnicodeText(doc, report.counts);
    if (report.converted() == 0 && report.kept() == 0)
        for (const auto& [name, n] : documentTextFonts(doc))
            if (!name.empty() && std::find(report.textFonts.begin(), report.textFonts.end(), name) == report.textFonts.end())
                report.textFonts.push_back(name);
    report.error = destination([&](const PieceSink& write) {
        write(text);
        return std::string();
    });
    report.ok = report.error.empty();
    return report;
}

ConversionReport rtfText(std::string_view rtf, const Destination& destination) {
    Document doc;
    if (LoadResult loaded = doc.setRtf(rtf); !loaded) return ConversionReport::failure(loaded.description);
    return modelText(doc, destination);
}

ConversionReport pdfText(std::string_view pdf, const ConversionOptions& options, const Destination& destination) {
    if (!options.unicode) return ConversionReport::failure(std::string(kPdfNeedsUnicode));
    Document doc;
    if (std::string error = readPdf(pdf, doc); !error.empty()) return ConversionReport::failure(error);
    return modelText(doc, destination);
}

}  // namespace

bool readsPdfs() { return pdfSupported(); }

Environment& desktopEnvironment() {
    static DesktopEnvironment environment;
    return environment;
}

ConversionReport convertDocument(std::string_view input, const ConversionOptions& options,
                                 const Destination& destination, Environment& environment) {
    const ThreadUse threads(environment.threads());
    try {
        Input in;
        if (std::string error = prepare(input, environment, in); !error.empty()) {
            ConversionReport failed = ConversionReport::failure(error);
            failed.passedOver = in.kind == DocumentKind::WordLock;
            return failed;
        }
        // Ordinary fonts found to hold legacy text: with --detect their words that read
        // as it convert, for this document alone; without, the report says they are there.
        FontsReport fonts;
        if (options.detect && options.unicode) {
            fonts = documentFonts(in.bytes, environment);
            for (const FontUse& f : fonts.fonts)
                if (!f.found.empty())
                    addLegacyFontName(f.name, foundFontOf(*legacyEncodingCalled(f.found)));
        }
        struct Forget {
            ~Forget() { forgetFoundFonts(); }
        } forget;
        const auto convertAs = [&](const ConversionOptions& o, const Destination& into) {
            return in.kind == DocumentKind::Pdf       ? pdfText(in.bytes, o, into)
                   : in.kind == DocumentKind::Package ? convertPackage(in.bytes, o, into)
                   : o.textOnly                       ? rtfText(in.bytes, into)
                                                      : convertRtf(in.bytes, o, into);
        };
        const bool plainText = in.kind == DocumentKind::Rtf && (options.toLegacy() || plainTextCodes(options)) &&
                               isPlainText(in.bytes, plainTextCodes(options) != nullptr);
        ConversionReport report;
        // What --from limits is chosen where text is written in a legacy font in place, and
        // where a plain text file's codes are read; elsewhere it would be passed over.
        const bool limited = !options.from.empty() && !plainText && (!options.toLegacy() || options.textOnly);
        if (limited) {
            report = ConversionReport::failure(
                "--from limits what converts only when a document is written in a legacy font (--to FONT, without "
                "--text) or a plain text file's codes are read; leave it out to convert every encoding's text");
        } else if (plainText) {
            report = convertPlainText(in.bytes, options, destination);
        } else if (options.toLegacy() && options.textOnly) {
            // The text read as Unicode, then written in the font.
            ConversionOptions unicodeText = options;
            unicodeText.unicode = true;
            unicodeText.toEncoding = nullptr;
            std::string text;
            report = convertAs(unicodeText, intoString(text));
            if (report.ok) report = writeTextInFont(text, options, std::move(report), destination);
        } else {
            report = convertAs(options, destination);
        }
        report.fromWordBinary = in.fromWordBinary;
        report.toUnicode = options.unicode;
        if (options.toLegacy()) report.toFont = options.toFont;
        if (report.ok && !options.detect && report.converted() == 0) {
            // Nothing converted: text in ordinary fonts may be legacy text whose font name was lost.
            report.foundText = foundTextNote(documentFonts(in.bytes, environment));
        }
        return report;
    } catch (const std::bad_alloc&) {
        // The unfinished output was never handed on: nothing is left behind.
        return ConversionReport::failure(std::string(kNotEnoughMemory));
    }
}

void prepareDocuments(const std::vector<std::string_view>& inputs, Environment& environment) {
    std::vector<std::string_view> wordBinaries;
    for (std::string_view input : inputs)
        if (documentKind(input) == DocumentKind::WordBinary) wordBinaries.push_back(input);
    if (!wordBinaries.empty()) environment.prepareWordBinaries(wordBinaries);
}

PlannedOutput plannedOutput(std::string_view input, const ConversionOptions& options) {
    PlannedOutput planned;
    const DocumentKind kind = documentKind(input);
    planned.fromWordBinary = kind == DocumentKind::WordBinary;
    planned.passedOver = kind == DocumentKind::WordLock;
    const bool plainText = kind == DocumentKind::Rtf && (options.toLegacy() || plainTextCodes(options)) &&
                           isPlainText(input, plainTextCodes(options) != nullptr);
    planned.format = options.textOnly || kind == DocumentKind::Pdf || plainText ? WrittenFormat::Text
                     : planned.fromWordBinary          ? WrittenFormat::Docx
                     : kind == DocumentKind::Package ? packageFormat(input)
                                                       : WrittenFormat::Rtf;
    return planned;
}

std::filesystem::path withExtensionOf(const std::filesystem::path& path, WrittenFormat format) {
    const std::u8string extension = path.extension().u8string();
    if (extensionSays(std::string(extension.begin(), extension.end()), format)) return path;
    std::filesystem::path out = path;
    out.replace_extension(std::filesystem::path(std::string(extensionOf(format))));
    return out;
}

namespace {

// The fonts of a document, each with a sample of its first `sampleLength` characters when
// that is not 0. An RTF document is read once for both.
FontsReport listFonts(std::string_view input, std::size_t sampleLength, Environment& environment) {
    const ThreadUse threads(environment.threads());
    FontsReport report;
    try {
        Input in;
        report.error = prepare(input, environment, in);
        report.fromWordBinary = in.fromWordBinary;
        std::vector<std::pair<std::string, std::size_t>> fonts;
        Document doc;  // the text, as the window reads it, which the samples come from
        bool read = false;
        std::vector<FontDetection> finds;
        if (report.error.empty() && in.kind == DocumentKind::Package) {
            report.error = packageFonts(in.bytes, fonts, &finds);
        } else if (report.error.empty() && in.kind == DocumentKind::Pdf) {
            if (report.error = readPdf(in.bytes, doc); report.error.empty()) {
                fonts = documentTextFonts(doc);
                finds = documentFontFinds(doc, fonts);
                read = true;
            }
        } else if (report.error.empty()) {
            if (LoadResult loaded = doc.setRtf(in.bytes); !loaded) {
                report.error = loaded.description;
            } else {
                fonts = documentTextFonts(doc);
                finds = documentFontFinds(doc, fonts);
                read = true;
            }
        }
        finds.resize(fonts.size());
        std::vector<std::string> samples(fonts.size());
        if (sampleLength > 0 && !fonts.empty()) {
            try {
                if (!read && in.kind == DocumentKind::Package) read = bool(loadDocument(std::string(in.bytes), doc, environment));
                for (std::size_t f = 0; read && f < fonts.size(); ++f)
                    samples[f] = documentFontSample(doc, fonts[f].first, sampleLength);
            } catch (const std::bad_alloc&) {
                // The fonts are known; samples are a nicety a document too big for memory goes without.
            }
        }
        for (std::size_t f = 0; f < fonts.size(); ++f) {
            const LegacyFont* legacy = legacyFontNamed(fonts[f].first);
            FontUse use;
            use.name = std::move(fonts[f].first);
            use.characters = fonts[f].second;
            if (legacy) {
                use.legacy = legacy->name();
                use.encoding = legacy->encoding().name();
            } else if (const LegacyEncoding* found = finds[f].encoding()) {
                use.found = found->name();
                use.foundCharacters = finds[f].characters();
                use.foundSample = finds[f].sample(sampleLength > 0 ? sampleLength : 40);
            }
            use.sample = std::move(samples[f]);
            report.fonts.push_back(std::move(use));
        }
    } catch (const std::bad_alloc&) {
        report.error = kNotEnoughMemory;
    }
    report.ok = report.error.empty();
    return report;
}

}  // namespace

FontsReport documentFonts(std::string_view input, Environment& environment) { return listFonts(input, 0, environment); }

FontsReport documentFontSamples(std::string_view input, std::size_t length, Environment& environment) {
    return listFonts(input, length, environment);
}

ConversionOptions chosenTargetOptions(const FontsReport& fonts, std::size_t index) {
    ConversionOptions options = conversionTargetOptions(index);
    if (index != 0 || !fonts.ok) return options;
    for (const FontUse& f : fonts.fonts) {
        const LegacyEncoding* e = f.characters > 0 ? legacyEncodingCalled(f.encoding) : nullptr;
        if (e && e->hasRevathiRules()) return options;  // the glyph rules, as ever
    }
    std::string error;
    legacyTargetCalled(kRevathiTarget, options, error);
    return options;
}

std::string foundTextNote(const FontsReport& fonts) {
    std::string note;
    for (const FontUse& f : fonts.fonts)
        if (!f.found.empty())
            note += (note.empty() ? "" : "; ") + grouped(f.foundCharacters) + " characters in " +
                    (f.name.empty() ? std::string("text of no font") : f.name) + " read as " + f.found;
    return note;
}

bool nameLegacyFont(std::string_view fontName, std::string_view legacyName) {
    const LegacyFont* font = legacyFontCalled(legacyName);
    if (!font || fontName.empty()) return false;
    addLegacyFontName(fontName, *font);
    return true;
}

LoadResult loadDocument(std::string bytes, Document& model, Environment& environment) {
    const ThreadUse threads(environment.threads());
    Input in;
    if (std::string error = prepare(bytes, environment, in); !error.empty()) return LoadResult::failure(0, error);
    if (in.kind == DocumentKind::Rtf) return model.setRtf(bytes);
    if (in.kind == DocumentKind::Pdf) {
        Document loaded;
        if (std::string error = readPdf(in.bytes, loaded); !error.empty()) return LoadResult::failure(0, error);
        loaded.setSource(std::move(bytes), false);
        model = std::move(loaded);
        return {};
    }
    std::vector<std::vector<PackageRun>> paragraphs;
    if (std::string error = packageParagraphs(in.bytes, paragraphs); !error.empty()) return LoadResult::failure(0, error);
    Document loaded;
    for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        for (const PackageRun& run : paragraphs[p]) {
            Document::RunFormat format;
            format.font = loaded.fontId(Font{run.font, kAnsiCharset});
            loaded.append(run.text, format);
        }
        if (p + 1 < paragraphs.size()) loaded.append(std::u16string_view(&kParagraphBreak, 1), Document::RunFormat{});
    }
    loaded.setSource(in.fromWordBinary ? std::move(in.docx) : std::move(bytes), in.fromWordBinary);
    model = std::move(loaded);
    return {};
}

LoadResult loadDocumentFile(const std::filesystem::path& path, Document& model, Environment& environment) {
    std::string bytes;
    if (std::string error = readWholeFile(path, bytes); !error.empty()) return LoadResult::failure(0, error);
    return loadDocument(std::move(bytes), model, environment);
}

}  // namespace tolvarin
