#include "pdf/pdf_text.h"

// poppler's own text layout, as pdftotext uses it: flows, blocks, lines and words in
// reading order, each word with the font of every character.
#include <poppler/Error.h>
#include <poppler/ErrorCodes.h>
#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <poppler/Stream.h>
#include <poppler/TextOutputDev.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

namespace tolvarin {

namespace {

// poppler reports what it recovers from on standard error; the reader says what matters.
void quiet(ErrorCategory, Goffset, const char*) {}

void startPoppler() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!globalParams) globalParams = std::make_unique<GlobalParams>();
        setErrorCallback(quiet);
    });
}

// "ABCDEF+ML-TTKarthika,Bold" is ML-TTKarthika Bold: the subset prefix goes, and the style
// after a comma reads as a style word after a space.
std::string fontName(const GooString* raw) {
    if (!raw) return {};
    std::string name = raw->toStr();
    if (name.size() > 7 && name[6] == '+' &&
        std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
        name.erase(0, 7);
    std::replace(name.begin(), name.end(), ',', ' ');
    return name;
}

void add(PdfLine& line, char32_t c, const std::string& font) {
    if (line.empty() || line.back().font != font) line.push_back({std::u16string(), font});
    std::u16string& text = line.back().text;
    if (c >= 0x10000 && c <= 0x10FFFF) {
        text += char16_t(0xD800 + ((c - 0x10000) >> 10));
        text += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else if (c < 0x10000) {
        text += char16_t(c);
    }
}

}  // namespace

bool pdfSupported() { return true; }

std::string pdfLines(std::string_view bytes, std::vector<PdfLine>& lines) {
    if (bytes.size() > std::size_t(INT_MAX)) return "the PDF is too large to read (over 2 GiB)";
    startPoppler();
    // The document reads the bytes where they are; it owns the stream over them.
    PDFDoc doc(new MemStream(bytes.data(), 0, Goffset(bytes.size()), Object(objNull)));
    if (!doc.isOk()) {
        if (doc.getErrorCode() == errEncrypted)
            return "the PDF is password-protected; remove the password (print it to a new PDF) and try again";
        return "the PDF is damaged and cannot be read";
    }
    TextOutputDev device(nullptr, false, 0, false, false);
    if (!device.isOk()) return "the PDF's text cannot be read";
    std::size_t characters = 0;
    for (int p = 1; p <= doc.getNumPages(); ++p) {
        // The device lays out each page's text as the page ends, and keeps it until the next.
        doc.displayPage(&device, p, 72, 72, 0, true, false, false);
        PdfLine line;
        if (p > 1) add(line, U'\f', std::string());
        std::string font;
        const GooString* lastRaw = nullptr;
        // Blocks are columns and cells: each line of each block is a line of the text.
        for (const TextFlow* flow = device.getFlows(); flow; flow = flow->getNext())
            for (const TextBlock* block = flow->getBlocks(); block; block = block->getNext())
                for (const TextLine* row = block->getLines(); row; row = row->getNext()) {
                    for (const TextWord* word = row->getWords(); word; word = word->getNext()) {
                        for (int i = 0; i < word->getLength(); ++i) {
                            // Words come in runs of one font: its name is made once a run.
                            const GooString* raw = word->getFontName(i);
                            if (raw != lastRaw) {
                                font = fontName(raw);
                                lastRaw = raw;
                            }
                            add(line, char32_t(*word->getChar(i)), font);
                            ++characters;
                        }
                        if (word->getSpaceAfter() && word->getNext()) add(line, U' ', font);
                    }
                    lines.push_back(std::move(line));
                    line.clear();
                }
        if (!line.empty()) lines.push_back(std::move(line));  // a page with no text keeps its form feed
    }
    if (characters == 0)
        return "the PDF holds no text (its pages are images or drawn outlines, as of a scan): there is nothing "
               "to convert";
    return {};
}

}  // namespace tolvarin
