// An XML part of a package, read with the byte ranges of its elements, so that a
// change can be spliced into the part's own bytes and everything else stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <span>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "io/byte_sink.h"
#include "office/xml_splice.h"

namespace tolvarin {

struct XmlAttribute {
    std::string_view name;  // "namespace-uri local-name", or the local name without a namespace
    std::string value;  // decoded
};

struct XmlElement {
    std::string_view name;  // "namespace-uri local-name"
    std::uint32_t parent;  // kNoElement for the root
    std::uint32_t depth;
    std::size_t start, startEnd;  // the start tag (or the whole empty-element tag)
    std::size_t endStart, end;    // the end tag; both startEnd for an empty element
    std::span<const XmlAttribute> attributes;
    // The character data inside an element with no child elements (w:t), decoded, UTF-8;
    // of one with children, its first stretch only. Mixed content is in texts().
    std::string_view text;

    bool empty() const { return endStart == startEnd && end == startEnd; }
    const std::string* attribute(std::string_view name) const;
};
inline constexpr std::uint32_t kNoElement = 0xFFFFFFFF;

// The names of a part's elements and attributes, each held once.
struct XmlNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};
using XmlNames = std::unordered_set<std::string, XmlNameHash, std::equal_to<>>;

// What the elements of a part (or of half of it) point into: names, attributes, text.
struct XmlStore {
    XmlNames names;  // each held once
    std::vector<XmlAttribute> attributes;  // every element's, in order
    std::string pool;  // every element's text, one after another
};

// A stretch of character data, with where it stands, for mixed content (ODF).
struct XmlText {
    std::uint32_t element;  // the element it is directly in
    std::uint32_t order;    // how many elements began before it
    std::size_t begin, end;
    std::string text;  // decoded, UTF-8
};

// A part's elements in document order. Read in two halves they are held in two runs,
// each where its reader put it: this looks them up as one.
class XmlElements {
public:
    std::size_t size() const { return firstSize_ + secondSize_; }
    bool empty() const { return size() == 0; }
    const XmlElement& operator[](std::size_t i) const {
        return i < firstSize_ ? first_[i] : second_[i - firstSize_];
    }
    const XmlElement& back() const { return (*this)[size() - 1]; }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = XmlElement;
        using difference_type = std::ptrdiff_t;
        using pointer = const XmlElement*;
        using reference = const XmlElement&;
        const_iterator(const XmlElements* all, std::size_t i) : all_(all), i_(i) {}
        reference operator*() const { return (*all_)[i_]; }
        pointer operator->() const { return &(*all_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return i_ == other.i_; }

    private:
        const XmlElements* all_;
        std::size_t i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    friend class XmlPart;
    const XmlElement* first_ = nullptr;
    std::size_t firstSize_ = 0;
    const XmlElement* second_ = nullptr;
    std::size_t secondSize_ = 0;
};

struct XmlSplit;

class XmlPart {
public:
    // A part this long is read in two halves at once, where it can be.
    static constexpr std::size_t kHalvesFrom = std::size_t(1) << 20;

    // Whether parse() also keeps each stretch of character data with its bytes, and the
    // length from which a part is read in halves.
    explicit XmlPart(bool keepTexts = false, std::size_t halvesFrom = kHalvesFrom)
        : keepTexts_(keepTexts), halvesFrom_(halvesFrom) {}

    // Reads `bytes` (kept by the part). Returns an empty string, or what is not
    // well-formed and where.
    std::string parse(std::string bytes);

    const std::string& bytes() const { return bytes_; }
    // Whether the last parse() read the part in two halves at once.
    bool readInHalves() const { return halves_; }
    const XmlElements& elements() const { return view_; }
    const std::vector<XmlText>& texts() const { return texts_; }
    // The prefix written before the element's name in its start tag ("w" for <w:t>).
    std::string_view prefix(const XmlElement& e) const;
    // Where an attribute's value stands in the start tag (between its quotes), by its
    // name as written ("w:ascii"); npos when the tag has no such attribute.
    std::pair<std::size_t, std::size_t> attributeValueRange(const XmlElement& e, std::string_view written) const;
    // The attributes of a start tag as written: name, and the value between its quotes.
    struct RawAttribute {
        std::string_view name;
        std::size_t valueStart, valueEnd;
    };
    std::vector<RawAttribute> rawAttributes(const XmlElement& e) const {
        std::vector<RawAttribute> out;
        rawAttributes(e, out);
        return out;
    }
    // The same into `out`, whose room is reused.
    void rawAttributes(const XmlElement& e, std::vector<RawAttribute>& out) const;

private:
    void clear();
    std::string parseWhole();
    // Nothing when the halves do not agree with the scan that split them: the part is
    // then read whole.
    std::optional<std::string> parseInHalves(const XmlSplit& split);

    bool keepTexts_;
    std::size_t halvesFrom_;
    bool halves_ = false;
    std::string bytes_;
    std::vector<XmlElement> elements_;
    // The second half's, after the elements open where it begins, which are the first
    // half's: `skipped_` of them.
    std::vector<XmlElement> elements2_;
    std::size_t skipped_ = 0;
    XmlElements view_;
    std::vector<XmlText> texts_;
    XmlStore store_;
    std::unique_ptr<XmlStore> second_;  // what the second half's elements point into
};

}  // namespace tolvarin
