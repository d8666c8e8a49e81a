#include "model/rtf_writer.h"

#include <charconv>

#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin {
namespace {

class RtfOut {
public:
    static constexpr std::size_t kChunk = 64 * 1024;

    explicit RtfOut(const RtfSink& sink) : sink_(sink) { s_.reserve(kChunk + 64); }
    ~RtfOut() { flush(); }

    void flush() {
        if (!s_.empty()) sink_(s_);
        s_.clear();
    }
    void maybeFlush() {
        if (s_.size() >= kChunk) flush();
    }

    void raw(std::string_view v) { s_.append(v); }
    void number(long long n) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, n);
        s_.append(buf, r.ptr);
    }
    void word(std::string_view w, long long n) {
        s_.push_back('\\');
        s_.append(w);
        number(n);
    }
    void hex(std::uint8_t b) {
        static constexpr char digits[] = "0123456789abcdef";
        const char esc[4] = {'\\', '\'', digits[b >> 4], digits[b & 15]};
        s_.append(esc, 4);
    }
    void unicode(char16_t c) {
        // \uN takes a signed 16-bit number; '?' is the fallback of \uc1.
        word("u", c > 0x7FFF ? long(c) - 0x10000 : long(c));
        s_.push_back('?');
    }

    // One character of text in a font whose bytes are Windows-1252 codes
    // (`eightBit`), or in any other font, where only ASCII goes out as bytes.
    void character(char16_t c, bool eightBit) {
        if (c >= 0x20 && c < 0x7F) {
            if (c == '\\' || c == '{' || c == '}') s_.push_back('\\');
            s_.push_back(char(c));
            return;
        }
        switch (c) {
        case kParagraphBreak: raw("\\par\n"); return;
        case kTab: raw("\\tab "); return;
        case kLineBreak: raw("\\line "); return;
        default: break;
        }
        if (eightBit) {
            int b = encodeCp1252(c);
            if (b >= 0) {
                hex(std::uint8_t(b));
                return;
            }
        } else if (c < 0x80) {
            hex(std::uint8_t(c));
            return;
        }
        unicode(c);
    }

private:
    const RtfSink& sink_;
    std::string s_;
};

bool isEightBit(const Font& f) { return f.charset == kAnsiCharset || f.charset == kSymbolCharset; }

}  // namespace

std::string writeRtf(const Document& doc) {
    std::string s;
    writeRtf(doc, [&s](std::string_view piece) { s.append(piece); });
    return s;
}

void writeRtf(const Document& doc, const RtfSink& sink) {
    RtfOut out(sink);

    out.raw("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl");
    for (std::size_t i = 0; i < doc.fonts().size(); ++i) {
        const Font& f = doc.fonts()[i];
        out.raw("{");
        out.word("f", long(i));
        out.raw("\\fnil");
        out.word("fcharset", f.charset);
        out.raw(" ");
        // Names are UTF-8; decode to UTF-16 and write them like text.
        const std::string& n = f.name;
        for (std::size_t k = 0; k < n.size();) {
            char32_t cp = nextCodePoint(n, k);
            if (cp == ';') continue;
            if (cp > 0xFFFF) {
                cp -= 0x10000;
                out.unicode(char16_t(0xD800 + (cp >> 10)));
                out.unicode(char16_t(0xDC00 + (cp & 0x3FF)));
            } else {
                out.character(char16_t(cp), isEightBit(f));
            }
        }
        out.raw(";}");
    }
    out.raw("}\n\\uc1\\pard\\plain");

    const std::u16string& text = doc.text();
    const auto& runs = doc.runs();
    Document::RunFormat cur;  // what \plain leaves, except the font, which is set below
    bool first = true;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const Document::RunFormat& f = runs[r].format;
        if (first || f.font != cur.font) out.word("f", f.font);
        if (first || f.fontSize != cur.fontSize) out.word("fs", f.fontSize);
        if (f.bold != cur.bold) out.raw(f.bold ? "\\b" : "\\b0");
        if (f.italic != cur.italic) out.raw(f.italic ? "\\i" : "\\i0");
        if (f.underline != cur.underline) out.raw(f.underline ? "\\ul" : "\\ulnone");
        out.raw(" ");
        cur = f;
        first = false;

        const bool eightBit = f.font < doc.fonts().size() && isEightBit(doc.fonts()[f.font]);
        const std::size_t end = r + 1 < runs.size() ? runs[r + 1].start : text.size();
        for (std::size_t i = runs[r].start; i < end; ++i) {
            out.character(text[i], eightBit);
            if ((i & 1023) == 0) out.maybeFlush();
        }
        out.maybeFlush();
    }
    out.raw("}\n");
}

}  // namespace tolvarin
