#include "convert/replacements.h"

#include <charconv>
#include <utility>
#include <vector>

#include "core/legacy_text.h"
#include "rtf/rtf_tokenizer.h"
#include "text/codepage.h"

namespace tolvarin {
namespace {

template <class Replacement>
void fill(Replacement& r, const GlyphCodes& g, int code, const std::string& s, bool contextual) {
    std::copy(s.begin(), s.end(), r.bytes);
    r.length = std::uint8_t(s.size());
    r.pair = g.pair;
    r.same = g.length == 1 && g.codes[0] == code && !g.pair;
    r.contextual = contextual;
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

Replacements::Replacements(const LegacyEncoding& encoding)
    : revathi_(RevathiTable::of(encoding)), end_(std::uint8_t(encoding.pairSecondCount())) {
    for (int code = 0; code < 256; ++code) columns_[std::size_t(code)] = std::uint8_t(encoding.pairColumn(code));
    for (int code = 0; code < 256; ++code) {
        for (unsigned f = 0; f <= encoding.pairSecondCount(); ++f) {
            // What follows, by column: each second half of a pair, then the end of the text.
            // Codes whose result depends on the one before are written by the writer itself.
            const GlyphCodes& g = revathi_.alone(std::uint8_t(code), f);
            for (int bare = 0; bare < 2; ++bare) {
                std::string s;
                appendCodes(s, g.codes, g.length, Form::Text, bare != 0, 0);
                fill(text_.table[bare][code][f], g, code, s, encoding.followsPrevious(std::uint8_t(code)));
            }
            std::string s;
            appendCodes(s, g.codes, g.length, Form::Unicode, false, 1);
            fill(unicode_.table[code][f], g, code, s, encoding.followsPrevious(std::uint8_t(code)));
        }
    }
}

const Replacements& replacementsFor(const LegacyEncoding& encoding) { return madeForEncoding<Replacements>(encoding); }

}  // namespace tolvarin
