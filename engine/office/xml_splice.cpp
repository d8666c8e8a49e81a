#include "office/xml_splice.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "io/memory_hint.h"

namespace tolvarin {
namespace {

// What a character becomes in escaped text: its entity, or empty for itself.
constexpr std::string_view entityFor(char c) {
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return {};
    }
}

// Where the first character that escaped text writes as an entity stands, or the
// length.
std::size_t firstToEscape(std::string_view s) {
    static constexpr auto kEscaped = [] {
        std::array<bool, 256> escaped{};
        for (int c = 0; c < 256; ++c) escaped[std::size_t(c)] = !entityFor(char(c)).empty();
        return escaped;
    }();
    std::size_t i = 0;
    while (i < s.size() && !kEscaped[static_cast<unsigned char>(s[i])]) ++i;
    return i;
}

}  // namespace

void XmlSplice::reserve(std::size_t changes) { reserveLarge(changes_, changes); }

void XmlSplice::clear() {
    changes_.clear();
    if (blocks_.size() > 1) blocks_.resize(1);
    free_ = blocks_.empty() ? nullptr : blocks_.front().get();
    left_ = blocks_.empty() ? 0 : firstBlock_;
}

char* XmlSplice::room(std::size_t n) {
    if (n > left_) {
        // A splice of a few changes takes little room; a long part's take it in large blocks.
        constexpr std::size_t kFirstBlock = std::size_t(64) << 10, kBlock = std::size_t(4) << 20;
        const std::size_t size = std::max(n, blocks_.empty() ? kFirstBlock : kBlock);
        if (blocks_.empty()) firstBlock_ = size;
        blocks_.emplace_back(new char[size]);
        preferHugePages(blocks_.back().get(), size);
        free_ = blocks_.back().get();
        left_ = size;
    }
    char* at = free_;
    free_ += n;
    left_ -= n;
    return at;
}

void XmlSplice::replace(std::size_t begin, std::size_t end, std::string_view with) {
    char* at = with.empty() ? nullptr : room(with.size());
    if (at) std::memcpy(at, with.data(), with.size());
    changes_.push_back({begin, end, at, with.size()});
}

void XmlSplice::replaceEscaped(std::size_t begin, std::size_t end, std::string_view utf8) {
    // What each byte adds when escaped: a table, so that the common case of nothing to
    // escape is one quick pass.
    static constexpr auto kExtra = [] {
        std::array<std::uint8_t, 256> extra{};
        for (int c = 0; c < 256; ++c) extra[std::size_t(c)] = std::uint8_t(std::max<std::size_t>(1, entityFor(char(c)).size()) - 1);
        return extra;
    }();
    const std::size_t first = firstToEscape(utf8);
    std::size_t extra = 0;
    for (char c : utf8.substr(first)) extra += kExtra[static_cast<unsigned char>(c)];
    if (extra == 0) {  // kept as it is, not copied
        changes_.push_back({begin, end, utf8.empty() ? nullptr : utf8.data(), utf8.size()});
        return;
    }
    const std::size_t size = utf8.size() + extra;
    char* at = room(size);
    for (char c : utf8) {
        const std::string_view entity = entityFor(c);
        if (entity.empty()) *at++ = c;
        else at = std::copy(entity.begin(), entity.end(), at);
    }
    changes_.push_back({begin, end, at - size, size});
}

void XmlSplice::sort() {
    // Changes mostly come in the part's order already, as a few runs in order (the text,
    // then the runs' properties, then the fonts): merged run by run, each merge stable,
    // so that insertions at one place keep the order they were made in.
    const auto before = [](const Change& a, const Change& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    };
    std::vector<std::size_t> runEnds;
    for (std::size_t i = 1; i < changes_.size() && runEnds.size() <= 8; ++i)
        if (before(changes_[i], changes_[i - 1])) runEnds.push_back(i);
    if (runEnds.size() > 8) {
        std::stable_sort(changes_.begin(), changes_.end(), before);
    } else {
        runEnds.push_back(changes_.size());
        for (std::size_t r = 1; r < runEnds.size(); ++r)
            std::inplace_merge(changes_.begin(), changes_.begin() + std::ptrdiff_t(runEnds[r - 1]),
                               changes_.begin() + std::ptrdiff_t(runEnds[r]), before);
    }
}

bool XmlSplice::within(std::size_t from, std::size_t to) const {
    return std::all_of(changes_.begin(), changes_.end(),
                       [&](const Change& c) { return c.begin >= from && c.end <= to && c.begin <= c.end; });
}

std::size_t XmlSplice::outputSize(std::size_t from, std::size_t to) {
    sort();
    std::size_t size = 0, at = from;
    for (const Change& c : changes_) {
        if (c.begin > at) size += c.begin - at;
        size += c.size;
        at = std::max(at, c.end);
    }
    return size + (to > at ? to - at : 0);
}

char* XmlSplice::applyInto(std::string_view original, std::size_t from, std::size_t to, char* out) {
    struct Into final : ByteSink {
        char* at;
        void write(std::string_view bytes) override { at = std::copy(bytes.begin(), bytes.end(), at); }
    } into;
    into.at = out;
    applyTo(original, from, to, into);
    return into.at;
}

void XmlSplice::applyTo(std::string_view original, std::size_t from, std::size_t to, ByteSink& sink) {
    sort();
    std::size_t at = from;
    for (const Change& c : changes_) {
        if (c.begin > at) sink.write(original.substr(at, c.begin - at));
        if (c.size) sink.write(std::string_view(c.with, c.size));
        at = std::max(at, c.end);
    }
    if (to > at) sink.write(original.substr(at, to - at));
}

std::string XmlSplice::apply(std::string_view original) {
    std::string out;
    const std::size_t size = outputSize(0, original.size());
    reserveLarge(out, size);  // on huge pages before it is first touched
    out.resize(size);
    applyInto(original, 0, original.size(), out.data());
    return out;
}

void appendXmlEscaped(std::string& out, std::string_view utf8) {
    // Most text has nothing to escape: it goes in stretches.
    std::size_t from = 0;
    for (std::size_t i = firstToEscape(utf8); i < utf8.size(); ++i) {
        const std::string_view entity = entityFor(utf8[i]);
        if (entity.empty()) continue;
        out.append(utf8.substr(from, i - from));
        out += entity;
        from = i + 1;
    }
    out.append(utf8.substr(from));
}

}  // namespace tolvarin
