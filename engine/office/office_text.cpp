#include "office/office_text.h"

#include <algorithm>
#include <cstring>

#include "fonts/legacy_encoder.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace tolvarin {

int legacyCode(char32_t c) {
    if (c >= 0xF000 && c <= 0xF0FF) return int(c - 0xF000);
    if (c > 0xFFFF) return -1;
    return encodeCp1252(char16_t(c));
}

namespace {

// Converted text for the pieces, gathered a stretch at a time: consecutive characters
// mostly go to one piece, and a piece's characters come one after another. A piece's
// text is held once it is whole, where legacy text in it was converted.
class PieceWriter {
public:
    explicit PieceWriter(PieceTexts out) : out_(out) { current_.clear(); }
    PieceWriter(const PieceWriter&) = delete;
    PieceWriter& operator=(const PieceWriter&) = delete;
    ~PieceWriter() { commit(); }

    void to(std::uint32_t piece) {
        if (piece == piece_) return;
        commit();
        piece_ = piece;
    }
    // The character as UTF-8 (a lone surrogate too, as appendUtf8() writes it).
    void put(char32_t c) {
        if (n_ + 4 > sizeof buffer_) flush();
        n_ += encodeUtf8(buffer_ + n_, c);
    }
    // UTF-16 text as UTF-8, a unit at a time (a surrogate too, as put() writes it).
    void put(std::u16string_view units) {
        std::size_t n = n_;
        for (const char16_t u : units) {
            if (n + 3 > sizeof buffer_) {
                n_ = n;
                flush();
                n = 0;
            }
            n += encodeUtf8(buffer_ + n, u);
        }
        n_ = n;
    }
    // What is gathered for the piece so far; returns its length.
    std::size_t flush() {
        current_.append(buffer_, n_);
        n_ = 0;
        return current_.size();
    }

private:
    void commit() {
        flush();
        if (piece_ != kNone && out_.touched[piece_]) {
            std::string_view& text = out_.texts[piece_];
            // A piece's text comes whole; should more follow, it goes after what there is.
            if (!text.empty()) current_.insert(0, text);
            text = out_.arena.hold(current_);
        }
        current_.clear();
    }

    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    PieceTexts out_;
    std::uint32_t piece_ = kNone;
    std::size_t n_ = 0;
    char buffer_[1024];
    // The piece's text, its room kept from piece to piece on each thread.
    static thread_local std::string current_;
};

thread_local std::string PieceWriter::current_;

// The stretch that begins at `i`: the characters from there typed in fonts of `encoding`,
// gathered into `stretch`. Returns where it ends.
std::size_t gatherStretch(const std::vector<OfficeChar>& chars, std::size_t i, const LegacyEncoding& encoding,
                          LegacyStretch& stretch) {
    stretch.clear();
    std::size_t end = i;
    for (const LegacyFont* last = nullptr; end < chars.size() && chars[end].code >= 0; ++end) {
        const OfficeChar& c = chars[end];
        if (c.font != last) {
            if (!c.font || &c.font->encoding() != &encoding) break;
            last = c.font;
            const auto code = std::uint8_t(c.code);
            stretch.add(&code, 1, *last);
            continue;
        }
        stretch.addCode(std::uint8_t(c.code));
    }
    return end;
}

}  // namespace

void convertParagraph(const std::vector<OfficeChar>& chars, bool unicode, PieceTexts out,
                      std::vector<KeptRange>& keptRanges, LegacyCounts& counts) {
    // Room reused from paragraph to paragraph, on each thread that converts.
    thread_local LegacyStretch stretch;
    thread_local ConvertedStretch converted;
    const char16_t* const cp1252 = codePageUpperHalf(1252);
    PieceWriter writer(out);
    std::size_t i = 0;
    while (i < chars.size()) {
        const LegacyFont* font = chars[i].font;
        if (!convertsFont(font, unicode) || chars[i].code < 0) {
            writer.to(chars[i].piece);
            writer.put(chars[i].value);
            ++i;
            continue;
        }
        // The stretch: the characters from here typed in fonts of this one's encoding.
        const std::size_t end = gatherStretch(chars, i, font->encoding(), stretch);
        const std::size_t n = end - i;
        convertLegacyStretch(stretch, unicode, converted, counts);
        const std::u16string_view text = converted.text();
        std::size_t kept = 0;
        for (std::size_t k = 0; k < n;) {
            // The characters of one piece: their text is one stretch, but for those kept
            // as typed, which come as they were typed, before their own.
            const std::uint32_t piece = chars[i + k].piece;
            writer.to(piece);
            out.touched[piece] = 1;
            std::size_t from = converted.textBefore(k);
            for (; k < n && chars[i + k].piece == piece; ++k) {
                if (kept == converted.kept.size() || converted.kept[kept] != k) continue;
                const std::size_t to = converted.textBefore(k);
                if (unicode) writer.put(text.substr(from, to - from));
                from = to;
                keptRanges.push_back({piece, writer.flush(), 0});
                writer.put(chars[i + k].value);
                keptRanges.back().end = writer.flush();
                ++kept;
            }
            const std::u16string_view rest = text.substr(from, converted.ends[k - 1] - from);
            if (unicode) {
                writer.put(rest);
            } else {
                // The ML-TTRevathi codes, which text in the package holds as Windows-1252.
                for (const char16_t c : rest) writer.put(decodeByte(cp1252, std::uint8_t(c)));
            }
        }
        i = end;
    }
}

namespace {

// Whether the Unicode character at `k`, after Malayalam text, goes into the font with
// it: a neutral character the font draws as itself, or a space before Malayalam or
// such a character.
bool joinsText(const std::vector<OfficeChar>& chars, std::size_t k, const LegacyEncoding& to) {
    std::size_t j = k;
    while (j < chars.size() && chars[j].value == ' ' && !chars[j].font) ++j;
    if (j == chars.size() || chars[j].font) return false;
    const char32_t c = chars[j].value;
    return (j > k && isMalayalamText(c)) || joinsMalayalam(to, c);
}

}  // namespace

void convertParagraphToLegacy(const std::vector<OfficeChar>& chars, const LegacyTarget& target, PieceTexts out,
                              std::vector<KeptRange>& keptRanges, LegacyCounts& counts) {
    thread_local LegacyStretch stretch;
    thread_local ConvertedStretch converted;
    thread_local EncodedStretch encoded;
    thread_local std::u32string unicode;
    thread_local std::vector<std::size_t> unicodeOf;  // by character of the stretch, where its Unicode begins
    const char16_t* const cp1252 = codePageUpperHalf(1252);
    const LegacyEncoding& to = *target.to;
    const auto legacyConverts = [&](const OfficeChar& c) {
        return c.font && c.code >= 0 && target.converts(c.font->encoding());
    };
    const auto unicodeConverts = [&](const OfficeChar& c) {
        return !c.font && target.fromUnicode && isMalayalamText(c.value) && c.value != 0x200C && c.value != 0x200D;
    };
    // A piece where anything converts is written anew: what else it holds is kept.
    for (const OfficeChar& c : chars)
        if (legacyConverts(c) || unicodeConverts(c)) out.touched[c.piece] = 1;
    PieceWriter writer(out);
    const auto keep = [&](std::uint32_t piece, const auto& write) {
        writer.to(piece);
        const std::size_t begin = writer.flush();
        write();
        const std::size_t end = writer.flush();
        if (!keptRanges.empty() && keptRanges.back().piece == piece && keptRanges.back().end == begin)
            keptRanges.back().end = end;
        else if (end > begin)
            keptRanges.push_back({piece, begin, end});
    };
    const auto putCodes = [&](std::string_view codes) {
        for (const char code : codes) writer.put(decodeByte(cp1252, std::uint8_t(code)));
    };
    std::size_t i = 0;
    while (i < chars.size()) {
        const OfficeChar& first = chars[i];
        if (legacyConverts(first)) {
            const LegacyEncoding& encoding = first.font->encoding();
            // (Its encoding converts, so all of it does.)
            const std::size_t end = gatherStretch(chars, i, encoding, stretch);
            const std::size_t n = end - i;
            if (&encoding == &to) {
                // Its codes stay; it takes the font's name.
                for (std::size_t k = 0; k < n; ++k) {
                    const OfficeChar& c = chars[i + k];
                    writer.to(c.piece);
                    writer.put(decodeByte(cp1252, std::uint8_t(c.code)));
                    if (countsAsCharacter(c.code)) ++counts.converted[c.font->index()];
                }
                i = end;
                continue;
            }
            const bool rules = encoding.hasRevathiRules() && &to == &mlttEncoding();
            convertLegacyStretch(stretch, !rules, converted, counts);
            const std::u16string_view text = converted.text();
            if (!rules) {
                unicode.assign(text.begin(), text.end());
                encodeStretch(to, unicode.data(), unicode.size(), encoded);
            }
            std::size_t kept = 0, notDrawn = 0;
            for (std::size_t k = 0; k < n; ++k) {
                const OfficeChar& c = chars[i + k];
                if (kept < converted.kept.size() && converted.kept[kept] == k) {
                    ++kept;
                    keep(c.piece, [&] { writer.put(c.value); });
                    continue;
                }
                writer.to(c.piece);
                const std::size_t from = converted.textBefore(k), upTo = converted.ends[k];
                if (rules) {
                    for (std::size_t u = from; u < upTo; ++u) writer.put(decodeByte(cp1252, std::uint8_t(text[u])));
                    continue;
                }
                for (std::size_t u = from; u < upTo; ++u) {
                    while (notDrawn < encoded.kept.size() && encoded.kept[notDrawn] < u) ++notDrawn;
                    if (notDrawn < encoded.kept.size() && encoded.kept[notDrawn] == u) {
                        // What the font cannot draw stays in Unicode.
                        keep(c.piece, [&] { writer.put(text.substr(u, 1)); });
                        ++counts.notDrawn;
                        if (counts.notDrawnCharacters.find(text[u]) == std::u32string::npos)
                            counts.notDrawnCharacters += text[u];
                        continue;
                    }
                    putCodes(std::string_view(encoded.codes).substr(encoded.begin(u), encoded.ends[u] - encoded.begin(u)));
                }
            }
            counts.approximated += encoded.approximated;
            i = end;
            continue;
        }
        if (unicodeConverts(first)) {
            std::size_t end = i;
            unicode.clear();
            while (end < chars.size() && !chars[end].font &&
                   (isMalayalamText(chars[end].value) || joinsText(chars, end, to)))
                unicode += chars[end++].value;
            encodeStretch(to, unicode.data(), unicode.size(), encoded);
            std::size_t kept = 0;
            for (std::size_t k = 0; k < unicode.size(); ++k) {
                const OfficeChar& c = chars[i + k];
                if (kept < encoded.kept.size() && encoded.kept[kept] == k) {
                    ++kept;
                    keep(c.piece, [&] { writer.put(c.value); });
                    if (c.value >= 0x0D00 && c.value <= 0x0D7F) {
                        ++counts.notDrawn;
                        if (counts.notDrawnCharacters.find(c.value) == std::u32string::npos)
                            counts.notDrawnCharacters += c.value;
                    }
                    continue;
                }
                writer.to(c.piece);
                putCodes(std::string_view(encoded.codes).substr(encoded.begin(k), encoded.ends[k] - encoded.begin(k)));
                counts.unicode += c.value >= 0x0D00 && c.value <= 0x0D7F;
            }
            counts.approximated += encoded.approximated;
            i = end;
            continue;
        }
        if (out.touched[first.piece]) keep(first.piece, [&] { writer.put(first.value); });
        else {
            writer.to(first.piece);
            writer.put(first.value);
        }
        ++i;
    }
}

}  // namespace tolvarin

#include "office/package_text.h"

namespace tolvarin {

std::string_view TextArena::hold(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > left_) {
        // Blocks of a megabyte: a piece longer than that has one of its own.
        constexpr std::size_t kBlock = std::size_t(1) << 20;
        const std::size_t size = std::max(text.size(), kBlock);
        blocks_.emplace_back(new char[size]);
        free_ = blocks_.back().get();
        left_ = size;
    }
    char* at = free_;
    std::memcpy(at, text.data(), text.size());
    free_ += text.size();
    left_ -= text.size();
    return {at, text.size()};
}

void TextArena::take(TextArena&& other) {
    for (auto& block : other.blocks_) blocks_.push_back(std::move(block));
    other.blocks_.clear();
    other.free_ = nullptr;
    other.left_ = 0;
}

std::uint32_t PackageText::fontIndex(std::string_view name) {
    if (name == fontNames_[lastFont_]) return lastFont_;
    if (name.empty()) return lastFont_ = 0;
    if (auto at = fontIndexes_.find(name); at != fontIndexes_.end()) return lastFont_ = at->second;
    lastFont_ = std::uint32_t(fontNames_.size());
    fontNames_.emplace_back(name);
    fontLegacy_.push_back(legacyFontNamed(name));
    fontIndexes_.emplace(name, lastFont_);
    return lastFont_;
}

void PackageText::noteFont(const std::string& name, std::size_t characters) {
    if (auto at = fontsAt_.find(name); at != fontsAt_.end()) {
        fonts_[at->second].second += characters;
        return;
    }
    fontsAt_.emplace(name, fonts_.size());
    fonts_.emplace_back(name, characters);
}

void PackageText::endParagraph(std::size_t p) {
    if (ended_.size() <= p) ended_.resize(paragraphs.size());
    if (ended_[p]) return;
    ended_[p] = 1;
    if (reading_.keepParagraphs) return;
    std::vector<OfficeChar>& paragraph = paragraphs[p];
    keptScratch_.clear();
    if (reading_.legacy.to)
        convertParagraphToLegacy(paragraph, reading_.legacy, {converted_, arena_, touched_}, keptScratch_, counts_);
    else
        convertParagraph(paragraph, reading_.unicode, {converted_, arena_, touched_}, keptScratch_, counts_);
    for (const KeptRange& k : keptScratch_) {
        if (!keptAt_[k.piece]) {
            kept_.emplace_back();
            keptAt_[k.piece] = std::uint32_t(kept_.size());
        }
        kept_[keptAt_[k.piece] - 1].emplace_back(k.begin, k.end);
    }
    std::uint32_t last = kNone;
    std::string text;
    for (const OfficeChar& c : paragraph) {
        if (c.piece == fixed_) {
            if (reading_.plainText && exported_[p] && c.value != 0) appendUtf8(text, c.value);
            last = kNone;
            continue;
        }
        if (c.piece == last) continue;
        last = c.piece;
        anyConverted_ = anyConverted_ || touched_[c.piece];
        if (reading_.plainText && exported_[p]) text += converted(c.piece);
    }
    if (reading_.plainText && exported_[p]) {
        // In the paragraphs' order, though a text box's paragraph ends before the one it stands in.
        if (lines_.size() <= p) lines_.resize(paragraphs.size());
        lines_[p] = std::move(text);
    }
    // Its room goes to the next paragraph, if larger than what waits for it.
    paragraph.clear();
    if (paragraph.capacity() > spare_.capacity()) spare_.swap(paragraph);
    std::vector<OfficeChar>().swap(paragraph);
}

void PackageText::finish() {
    for (std::size_t p = 0; p < paragraphs.size(); ++p) endParagraph(p);
}

std::uint32_t PackageText::addText(std::vector<OfficeChar>& chars, std::string_view utf8, const std::string& font,
                                   bool owned) {
    const std::uint32_t name = fontIndex(font);
    const LegacyFont* legacy = legacyFont(name);
    const std::uint32_t piece = owned ? addOwnedPiece(std::string(utf8)) : addPiece(utf8);
    const std::string_view text = original(piece);
    std::size_t counted = 0;
    for (std::size_t k = 0; k < text.size();) {
        const char32_t c = nextCodePoint(text, k);
        const int code = legacy ? legacyCode(c) : -1;
        chars.push_back({c, code, code >= 0 ? legacy : nullptr, piece, name});
        counted += c >= 0x20;
    }
    noteFont(font, counted);
    return piece;
}

std::uint32_t PackageText::append(PackageText&& next) {
    next.finish();
    const auto offset = std::uint32_t(original_.size());
    const std::size_t paragraphs0 = paragraphs.size(), added = next.paragraphs.size();
    original_.insert(original_.end(), next.original_.begin(), next.original_.end());
    owned_.splice(owned_.end(), next.owned_);
    converted_.insert(converted_.end(), next.converted_.begin(), next.converted_.end());
    arena_.take(std::move(next.arena_));
    touched_.insert(touched_.end(), next.touched_.begin(), next.touched_.end());
    if (fixed_ == kNone && next.fixed_ != kNone) fixed_ = next.fixed_ + offset;
    anyConverted_ = anyConverted_ || next.anyConverted_;
    counts_.add(next.counts_);
    const auto keptBefore = std::uint32_t(kept_.size());
    for (const std::uint32_t at : next.keptAt_) keptAt_.push_back(at ? at + keptBefore : 0);
    kept_.insert(kept_.end(), std::make_move_iterator(next.kept_.begin()), std::make_move_iterator(next.kept_.end()));
    for (const auto& [name, n] : next.fonts_) noteFont(name, n);
    paragraphs.resize(paragraphs0 + added);  // ended: their characters let go
    exported_.insert(exported_.end(), next.exported_.begin(), next.exported_.end());
    ended_.resize(paragraphs0);
    ended_.insert(ended_.end(), added, 1);
    if (reading_.plainText) {
        lines_.resize(paragraphs0);
        next.lines_.resize(added);
        lines_.insert(lines_.end(), std::make_move_iterator(next.lines_.begin()),
                      std::make_move_iterator(next.lines_.end()));
    }
    return offset;
}

std::string PackageText::plainText() const {
    std::string out;
    for (std::size_t p = 0; p < lines_.size(); ++p)
        if (exported_[p]) out += lines_[p] + "\n";
    return out;
}

}  // namespace tolvarin
