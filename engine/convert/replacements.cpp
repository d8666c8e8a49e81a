#include "convert/replacements.h"

#include <algorithm>
#include <charconv>

#include "fonts/glyph_map.h"
#include "rtf/rtf_tokenizer.h"
#include "text/codepage.h"

namespace tolvarin {
namespace {

// What follows, by column: each second half of a pair, then the end of the text.
int following(int column) { return unsigned(column) < kPairSeconds ? kFirstPairSecond + column : kEnd; }

// The PANCHARI glyph rules' result for `code`, or the code itself where none applies.
GlyphCodes rule(int code, int f) {
    GlyphCodes g = MapGlyphCode(std::uint8_t(code), following(f));
    if (g.length == 0) g = GlyphCodes{{std::uint8_t(code)}, 1, false};
    return g;
}

template <class Replacement>
void fill(Replacement& r, const GlyphCodes& g, int code, const std::string& s) {
    std::copy(s.begin(), s.end(), r.bytes);
    r.length = std::uint8_t(s.size());
    r.pair = g.pair;
    r.same = g.length == 1 && g.codes[0] == code && !g.pair;
}

}  // namespace

void appendCodes(std::string& out, const std::uint8_t* codes, int n, Form form, bool afterBareWord,
                 int unicodeSkip) {
    static constexpr char hex[] = "0123456789abcdef";
    auto escaped = [&](std::uint8_t c) {
        const char e[4] = {'\\', '\'', hex[c >> 4], hex[c & 15]};
        out.append(e, 4);
    };
    for (int i = 0; i < n; ++i) {
        const std::uint8_t c = codes[i];
        if (form == Form::Text) {
            if (c >= 0x20 && c < 0x7F &&
                !(i == 0 && afterBareWord && (RtfTokenizer::isLetter(char(c)) || RtfTokenizer::isDigit(char(c)) || c == ' ' || c == '-'))) {
                if (c == '\\' || c == '{' || c == '}') out.push_back('\\');
                out.push_back(char(c));
            } else {
                escaped(c);
            }
        } else {
            char buf[16] = {'\\', 'u'};
            auto r = std::to_chars(buf + 2, buf + sizeof buf, int(decodeCp1252(c)));
            out.append(buf, r.ptr);
            if (unicodeSkip == 0) {
                out.push_back(' ');
            } else {
                escaped(c);
                out.append(std::size_t(unicodeSkip - 1), '?');
            }
        }
    }
}

TextReplacements::TextReplacements() {
    for (int bare = 0; bare < 2; ++bare) {
        for (int code = 0; code < 256; ++code) {
            for (int f = 0; f <= int(kPairSeconds); ++f) {
                const GlyphCodes g = rule(code, f);
                std::string s;
                appendCodes(s, g.codes, g.length, Form::Text, bare != 0, 0);
                fill(table[bare][code][f], g, code, s);
            }
        }
    }
}

const TextReplacements& textReplacements() {
    static const TextReplacements replacements;
    return replacements;
}

UnicodeReplacements::UnicodeReplacements() {
    for (int code = 0; code < 256; ++code) {
        for (int f = 0; f <= int(kPairSeconds); ++f) {
            const GlyphCodes g = rule(code, f);
            std::string s;
            appendCodes(s, g.codes, g.length, Form::Unicode, false, 1);
            fill(table[code][f], g, code, s);
        }
    }
}

const UnicodeReplacements& unicodeReplacements() {
    static const UnicodeReplacements replacements;
    return replacements;
}


}  // namespace tolvarin
