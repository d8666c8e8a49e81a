#include "office/xml_part.h"

#include <expat.h>

#include <algorithm>
#include <cstring>

#include "io/memory_hint.h"

namespace tolvarin {
namespace {

struct Reader {
    XML_Parser parser;
    std::vector<XmlElement>* elements;
    std::vector<XmlAttribute>* attributes;
    std::vector<std::size_t> firstAttribute;  // by element, into `attributes`
    std::vector<XmlText>* texts;  // null: not kept
    XmlNames* names;
    std::string* pool;
    std::vector<std::pair<std::size_t, std::size_t>> textRange;  // by element, into `pool`
    std::uint32_t current = kNoElement;
    std::uint32_t textOwner = kNoElement;  // whose text the pool ends with, while it may grow

    std::string_view intern(const char* name) {
        const std::string_view view(name);
        auto found = names->find(view);
        if (found == names->end()) found = names->emplace(view).first;
        return *found;
    }
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* r = static_cast<Reader*>(data);
    XmlElement e;
    e.name = r->intern(name);
    e.parent = r->current;
    e.depth = r->current == kNoElement ? 0 : (*r->elements)[r->current].depth + 1;
    e.start = std::size_t(XML_GetCurrentByteIndex(r->parser));
    e.startEnd = e.start + std::size_t(XML_GetCurrentByteCount(r->parser));
    e.endStart = e.end = e.startEnd;
    r->firstAttribute.push_back(r->attributes->size());
    r->textRange.emplace_back(0, 0);
    r->textOwner = kNoElement;  // a child ends its parent's text
    for (const XML_Char** a = attributes; *a; a += 2) r->attributes->push_back({r->intern(a[0]), a[1]});
    r->current = std::uint32_t(r->elements->size());
    r->elements->push_back(std::move(e));
}

void XMLCALL onEnd(void* data, const XML_Char*) {
    auto* r = static_cast<Reader*>(data);
    XmlElement& e = (*r->elements)[r->current];
    const std::size_t at = std::size_t(XML_GetCurrentByteIndex(r->parser));
    const std::size_t count = std::size_t(XML_GetCurrentByteCount(r->parser));
    if (count > 0) {  // an empty-element tag has no end tag of its own
        e.endStart = at;
        e.end = at + count;
    }
    r->current = e.parent;
}

void XMLCALL onText(void* data, const XML_Char* text, int length) {
    auto* r = static_cast<Reader*>(data);
    if (r->current == kNoElement) return;
    auto& [start, size] = r->textRange[r->current];
    if (size == 0) {
        start = r->pool->size();
        r->textOwner = r->current;
    }
    if (r->textOwner == r->current) {
        r->pool->append(text, std::size_t(length));
        size += std::size_t(length);
    }
    if (!r->texts) return;
    const auto order = std::uint32_t(r->elements->size());
    const std::size_t at = std::size_t(XML_GetCurrentByteIndex(r->parser));
    const std::size_t count = std::size_t(XML_GetCurrentByteCount(r->parser));
    // Expat hands one stretch over in pieces (at line ends and references): one stretch again.
    if (!r->texts->empty() && r->texts->back().order == order && r->texts->back().element == r->current &&
        (count == 0 || r->texts->back().end == at)) {
        r->texts->back().text.append(text, std::size_t(length));
        if (count) r->texts->back().end = at + count;
        return;
    }
    r->texts->push_back({r->current, order, at, at + count, std::string(text, std::size_t(length))});
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// What a character becomes in escaped text: its entity, or empty for itself.
std::string_view entityFor(char c) {
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return {};
    }
}

}  // namespace

const std::string* XmlElement::attribute(std::string_view wanted) const {
    for (const XmlAttribute& a : attributes)
        if (a.name == wanted) return &a.value;
    return nullptr;
}

std::string XmlPart::parse(std::string bytes) {
    bytes_ = std::move(bytes);
    elements_.clear();
    texts_.clear();
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    if (!parser) return "not enough memory to read XML";
    attributes_.clear();
    textPool_.clear();
    // On the heap whatever its size: the elements' views into it must outlive moving the
    // part. No more text than the part holds: room for it all, so it is never copied.
    reserveLarge(textPool_, std::max<std::size_t>(64, bytes_.size()));
    // Room for as many elements as there are tags, and attributes as there are '=':
    // no growing, and no copying, while the part is read.
    const auto tags = std::size_t(std::count(bytes_.begin(), bytes_.end(), '<'));
    const auto equals = std::size_t(std::count(bytes_.begin(), bytes_.end(), '='));
    // Capped: a hostile part of nothing but tags must not ask for all its room at once.
    const std::size_t room = std::min(tags, bytes_.size() / 16 + 1024);
    reserveLarge(elements_, room);
    reserveLarge(attributes_, std::min(equals, bytes_.size() / 16 + 1024));
    Reader reader{parser, &elements_, &attributes_, {}, keepTexts_ ? &texts_ : nullptr, &names_, &textPool_, {}};
    reserveLarge(reader.firstAttribute, room);
    reserveLarge(reader.textRange, room);
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    std::string error;
    // One call over the whole part, so that byte indexes count from its start.
    if (bytes_.size() > std::size_t(0x7FFFFFFF)) {
        error = "an XML part larger than 2 GiB";
    } else if (XML_Parse(parser, bytes_.data(), int(bytes_.size()), 1) == XML_STATUS_ERROR) {
        error = std::string("not well-formed XML (") + XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
                std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
    }
    XML_ParserFree(parser);
    // The attributes have their places now that no more come.
    for (std::size_t i = 0; i < elements_.size(); ++i) {
        const std::size_t first = reader.firstAttribute[i];
        const std::size_t end = i + 1 < elements_.size() ? reader.firstAttribute[i + 1] : attributes_.size();
        elements_[i].attributes = std::span<const XmlAttribute>(attributes_.data() + first, end - first);
        const auto [textStart, textSize] = reader.textRange[i];
        elements_[i].text = std::string_view(textPool_).substr(textStart, textSize);
    }
    return error;
}

std::string_view XmlPart::prefix(const XmlElement& e) const {
    std::string_view tag(bytes_.data() + e.start + 1, e.startEnd - e.start - 1);
    const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n/>"), tag.size());
    const std::size_t colon = tag.substr(0, nameEnd).find(':');
    return colon == std::string_view::npos ? std::string_view() : tag.substr(0, colon);
}

std::vector<XmlPart::RawAttribute> XmlPart::rawAttributes(const XmlElement& e) const {
    std::vector<RawAttribute> out;
    const char* s = bytes_.data();
    std::size_t i = e.start + 1;
    while (i < e.startEnd && !isSpace(s[i]) && s[i] != '/' && s[i] != '>') ++i;  // the element's name
    for (;;) {
        while (i < e.startEnd && isSpace(s[i])) ++i;
        if (i >= e.startEnd || s[i] == '/' || s[i] == '>') return out;
        const std::size_t nameStart = i;
        while (i < e.startEnd && !isSpace(s[i]) && s[i] != '=') ++i;
        const std::string_view name(s + nameStart, i - nameStart);
        while (i < e.startEnd && (isSpace(s[i]) || s[i] == '=')) ++i;
        if (i >= e.startEnd) return out;
        const char quote = s[i++];
        const std::size_t valueStart = i;
        while (i < e.startEnd && s[i] != quote) ++i;
        out.push_back({name, valueStart, i});
        ++i;
    }
}

std::pair<std::size_t, std::size_t> XmlPart::attributeValueRange(const XmlElement& e, std::string_view written) const {
    for (const RawAttribute& a : rawAttributes(e))
        if (a.name == written) return {a.valueStart, a.valueEnd};
    return {std::string::npos, std::string::npos};
}

void XmlSplice::reserve(std::size_t changes) { reserveLarge(changes_, changes); }

char* XmlSplice::room(std::size_t n) {
    if (n > left_) {
        constexpr std::size_t kBlock = std::size_t(4) << 20;
        const std::size_t size = std::max(n, kBlock);
        blocks_.emplace_back(new char[size]);
        preferHugePages(blocks_.back().get(), size);
        free_ = blocks_.back().get();
        left_ = size;
    }
    char* at = free_;
    free_ += n;
    left_ -= n;
    held_ += n;
    return at;
}

void XmlSplice::replace(std::size_t begin, std::size_t end, std::string_view with) {
    char* at = with.empty() ? nullptr : room(with.size());
    if (at) std::memcpy(at, with.data(), with.size());
    changes_.push_back({begin, end, at, with.size()});
}

void XmlSplice::replaceEscaped(std::size_t begin, std::size_t end, std::string_view utf8) {
    std::size_t size = 0;
    for (char c : utf8) size += std::max<std::size_t>(1, entityFor(c).size());
    if (size == utf8.size()) return replace(begin, end, utf8);
    char* at = room(size);
    for (char c : utf8) {
        const std::string_view entity = entityFor(c);
        if (entity.empty()) *at++ = c;
        else at = std::copy(entity.begin(), entity.end(), at);
    }
    changes_.push_back({begin, end, at - size, size});
}

std::string XmlSplice::apply(std::string_view original) {
    // Changes mostly come in the part's order already; a stable sort keeps insertions
    // at one place in the order they were made in.
    const auto before = [](const Change& a, const Change& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.end < b.end;
    };
    if (!std::is_sorted(changes_.begin(), changes_.end(), before))
        std::stable_sort(changes_.begin(), changes_.end(), before);
    std::string out;
    reserveLarge(out, original.size() + held_);
    std::size_t at = 0;
    for (const Change& c : changes_) {
        if (c.begin > at) out.append(original.substr(at, c.begin - at));
        if (c.size) out.append(c.with, c.size);
        at = std::max(at, c.end);
    }
    out.append(original.substr(at));
    return out;
}

void appendXmlEscaped(std::string& out, std::string_view utf8) {
    // Most text has nothing to escape: it goes in stretches.
    std::size_t from = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const std::string_view entity = entityFor(utf8[i]);
        if (entity.empty()) continue;
        out.append(utf8.substr(from, i - from));
        out += entity;
        from = i + 1;
    }
    out.append(utf8.substr(from));
}

}  // namespace tolvarin
