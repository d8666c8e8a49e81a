#include "model/rtf_reader.h"

#include <string>
#include <unordered_map>

#include "rtf/rtf_scanner.h"
#include "text/codepage.h"
#include "text/dbcs.h"

namespace tolvarin {
namespace {

// The body's characters, with their fonts and formatting, into the document; what
// lies off the body (headers, notes, shapes) is not part of this model.
class Reader : public RtfScanHandler {
public:
    Reader(std::string_view input, Document& doc) : scanner_(input, *this), doc_(doc) {}

    LoadResult run() {
        const ScanResult r = scanner_.run();
        if (!r) return LoadResult::failure(r.offset, r.description);
        scanner_.finish();
        return {};
    }

    void token(const RtfToken& t) {
        if (t.kind == RtfToken::Kind::GroupStart) pendingLead_ = -1;
    }
    void text(std::size_t, std::string_view bytes) {
        if (!ready()) return;
        for (char ch : bytes) {
            const auto b = std::uint8_t(ch);
            if (b < 0x20 && b != '\t') continue;  // stray control bytes are not text
            if (doubleByte_) doubleByteText(b);
            else doc_.appendToRun(decodeByte(upperHalf_, b));
        }
        if (!doubleByte_) continueText();
    }
    void hexByte(std::size_t, std::uint8_t byte) {
        if (!ready()) return;
        if (doubleByte_) {
            doubleByteText(byte);
            return;
        }
        doc_.appendToRun(decodeByte(upperHalf_, byte));
        continueText();
    }
    void literal(std::size_t offset, std::size_t, char c) { text(offset, std::string_view(&c, 1)); }
    void character(std::size_t, std::size_t, char16_t c) {
        if (ready()) doc_.appendToRun(c);
    }
    void footnoteMark(std::size_t, std::size_t) {
        // The reference mark of the next footnote, numbered as word processors do.
        if (!ready()) return;
        for (char digit : std::to_string(++footnotes_)) doc_.appendToRun(char16_t(digit));
    }
    void unicode(std::size_t, std::size_t, char16_t c, bool) {
        if (!ready()) return;
        // Producers write a symbol font's code c as U+F000 + c.
        if (privateCodes_ && c >= 0xF020 && c <= 0xF0FF) c = decodeCp1252(std::uint8_t(c - 0xF000));
        doc_.appendToRun(c);
    }
    void fontEntry(int number, const ScannedFont& f, bool offBody, std::size_t) {
        if (!offBody) fonts_[number] = DocumentFont{Font{f.name, f.charset}};
    }

private:
    struct DocumentFont {
        Font font;
        bool inDocument = false;
        Document::FontId id = 0;
    };

    // Whether a character here is body text; if so, the run it goes into is open.
    bool ready() {
        if (!scanner_.state().bodyText()) return false;
        if (generation_ != scanner_.formatGeneration() || !formatKnown_) refreshFormat();
        return true;
    }
    void refreshFormat();
    void doubleByteText(std::uint8_t b);
    // Reads on through the text that follows (bytes and \'hh) without a token for
    // each; only for single-byte text with no \uN fallback pending.
    void continueText() {
        scanner_.tokens().scanText([this](std::uint8_t b, bool escaped) {
            // Stray control bytes in the text are not characters; escaped ones are.
            if (escaped || b >= 0x20 || b == '\t') doc_.appendToRun(decodeByte(upperHalf_, b));
        });
    }

    RtfScanner<Reader> scanner_;
    Document& doc_;
    std::unordered_map<int, DocumentFont> fonts_;
    int footnotes_ = 0;

    // What the next character is set in and how its bytes decode, as of generation_.
    std::uint32_t generation_ = 0;
    bool formatKnown_ = false;
    const char16_t* upperHalf_ = nullptr;
    bool privateCodes_ = false;  // \uF0xx is the font's code xx (symbol and legacy fonts)
    int doubleByte_ = 0;         // the double-byte code page of the current font, or 0
    int pendingLead_ = -1;       // a lead byte waiting for its trail byte
    DoubleByteDecoder doubleBytes_;
};

void Reader::refreshFormat() {
    const ScannedFont& f = scanner_.font();
    Document::RunFormat format;
    auto it = fonts_.find(scanner_.fontNumber());
    if (it != fonts_.end()) {
        if (!it->second.inDocument) {
            it->second.id = doc_.fontId(it->second.font);
            it->second.inDocument = true;
        }
        format.font = it->second.id;
    } else {
        format.font = doc_.fontId(Font{});
    }
    doubleByte_ = f.doubleByte;
    upperHalf_ = f.upperHalf;
    if (!doubleByte_) pendingLead_ = -1;
    privateCodes_ = f.symbol || f.legacy != nullptr;
    const Format& s = scanner_.state().format;
    format.bold = s.bold;
    format.italic = s.italic;
    format.underline = s.underline;
    format.fontSize = s.size;
    generation_ = scanner_.formatGeneration();
    formatKnown_ = true;
    // Every refresh is followed by a character, so the run can open here and the
    // characters after it go straight into the text.
    doc_.openRun(format);
}

// A text byte in a double-byte code page: a lead byte waits for its trail byte.
void Reader::doubleByteText(std::uint8_t b) {
    if (pendingLead_ >= 0) {
        doc_.appendToRun(doubleBytes_.decode(doubleByte_, std::uint8_t(pendingLead_), b));
        pendingLead_ = -1;
    } else if (isLeadByte(doubleByte_, b)) {
        pendingLead_ = b;
    } else {
        doc_.appendToRun(b < 0x80 ? char16_t(b) : doubleBytes_.decode(doubleByte_, b, -1));
    }
}

}  // namespace

LoadResult readRtf(std::string_view rtf, Document& out) { return Reader(rtf, out).run(); }

}  // namespace tolvarin
