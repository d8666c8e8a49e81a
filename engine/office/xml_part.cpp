#include "office/xml_part.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <exception>
#include <thread>

#include "io/memory_hint.h"
#include "io/threads.h"
#include "office/xml_names.h"
#include "office/xml_split.h"

namespace tolvarin {
namespace {

struct Reader {
    XML_Parser parser = nullptr;
    std::vector<XmlElement>* elements;
    XmlStore* store;
    std::vector<XmlText>* texts;  // null: not kept
    std::uint32_t current = kNoElement;
    std::uint32_t textOwner = kNoElement;  // whose text may still grow
    // Where the parser's input stands in the part: its byte indexes plus this.
    std::size_t shift = 0;
    std::string_view part;  // the whole part's bytes, which text may point into
    // The first of two halves stops at the start tag here; the second when cancelled.
    std::size_t stopAt = std::string::npos;
    const std::atomic<bool>* cancelled = nullptr;
    bool stopped = false;
    std::size_t stoppedAt = 0;
    XmlNamespaces namespaces;
    // What makes the part not well-formed in its namespaces, and on which line.
    XML_Error failure = XML_ERROR_NONE;
    XML_Size failureLine = 0;

    Reader(std::vector<XmlElement>& e, XmlStore& s, std::vector<XmlText>* t)
        : elements(&e), store(&s), texts(t), namespaces(s.names) {}
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ~Reader() {
        if (parser) XML_ParserFree(parser);
    }

    std::size_t index() const { return std::size_t(XML_GetCurrentByteIndex(parser)) + shift; }
    std::size_t count() const { return std::size_t(XML_GetCurrentByteCount(parser)); }

    void fail(XML_Error error) {
        failure = error;
        failureLine = XML_GetCurrentLineNumber(parser);
        stopped = true;
        XML_StopParser(parser, XML_FALSE);
    }

    // Room for as many elements as `bytes` has tags, and attributes as it has '=', and all
    // its text: elements point into these, which are grown (and the elements' views moved)
    // only when a part holds more than that. Capped: a hostile part of nothing but tags
    // must not ask for all its room at once.
    void reserve(std::string_view bytes) {
        reserveLarge(store->pool, std::max<std::size_t>(64, bytes.size()));
        // A long part is counted in three stretches, at its start, middle and end, with
        // room to spare: counting all of it took as long as a tenth of reading it.
        constexpr std::size_t kStretch = std::size_t(64) << 10;
        std::size_t tags = 0, equals = 0;
        const auto count = [&](std::string_view stretch) {
            for (const char c : stretch) {
                tags += c == '<';
                equals += c == '=';
            }
        };
        if (bytes.size() <= 6 * kStretch) {
            count(bytes);
        } else {
            count(bytes.substr(0, kStretch));
            count(bytes.substr(bytes.size() / 2, kStretch));
            count(bytes.substr(bytes.size() - kStretch));
            const double scale = double(bytes.size()) / double(3 * kStretch) * 1.25;
            tags = std::size_t(double(tags) * scale);
            equals = std::size_t(double(equals) * scale);
        }
        const std::size_t cap = bytes.size() / 16 + 1024;
        reserveLarge(*elements, std::min(tags, cap));
        reserveLarge(store->attributes, std::min(equals, cap));
    }

    std::string parse(std::string_view prologue, std::string_view bytes) {
        parser = XML_ParserCreate(nullptr);
        if (!parser) return "not enough memory to read XML";
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, onStart, onEnd);
        XML_SetCharacterDataHandler(parser, onText);
        XML_SetProcessingInstructionHandler(parser, onInstruction);
        const std::size_t size = prologue.size() + bytes.size();
        if (size > std::size_t(0x7FFFFFFF)) return "an XML part larger than 2 GiB";
        // Given all at once, as the last of it: expat copies what it is given into a buffer
        // of its own anyway, and reads a last buffer a fifth faster than one more may follow.
        void* buffer = XML_GetBuffer(parser, int(std::max<std::size_t>(size, 1)));
        if (!buffer) return "not enough memory to read XML";
        if (!prologue.empty()) std::memcpy(buffer, prologue.data(), prologue.size());
        if (!bytes.empty()) std::memcpy(static_cast<char*>(buffer) + prologue.size(), bytes.data(), bytes.size());
        if (XML_ParseBuffer(parser, int(size), 1) != XML_STATUS_ERROR) return {};
        if (failure != XML_ERROR_NONE)
            return std::string("not well-formed XML (") + XML_ErrorString(failure) + " at line " +
                   std::to_string(failureLine) + ")";
        if (stopped) return {};
        return std::string("not well-formed XML (") + XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
               std::to_string(XML_GetCurrentLineNumber(parser)) + ")";
    }

    // The elements open where the parser stands, outermost first.
    std::vector<std::uint32_t> openElements() const {
        std::vector<std::uint32_t> open;
        for (std::uint32_t e = current; e != kNoElement; e = (*elements)[e].parent) open.push_back(e);
        std::reverse(open.begin(), open.end());
        return open;
    }

    // Room for `n` more attributes; when they are moved, so are the elements' views.
    void attributeRoom(std::size_t n) {
        std::vector<XmlAttribute>& a = store->attributes;
        if (a.size() + n <= a.capacity()) return;
        const XmlAttribute* before = a.data();
        a.reserve(std::max(a.capacity() * 2, a.size() + n));
        for (XmlElement& e : *elements)
            if (!e.attributes.empty())
                e.attributes = std::span<const XmlAttribute>(a.data() + (e.attributes.data() - before), e.attributes.size());
    }

    // Room for `n` more bytes of text in the pool; when it moves, so do the views into it.
    void poolRoom(std::size_t n) {
        std::string& pool = store->pool;
        if (pool.size() + n <= pool.capacity()) return;
        const char* before = pool.data();
        const std::size_t used = pool.size();
        std::string grown;
        reserveLarge(grown, std::max(pool.capacity() * 2, used + n));
        grown.append(pool);
        for (XmlElement& e : *elements)
            if (!e.text.empty() && e.text.data() >= before && e.text.data() < before + used)
                e.text = std::string_view(grown.data() + (e.text.data() - before), e.text.size());
        pool.swap(grown);
    }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes);
    static void XMLCALL onEnd(void* data, const XML_Char*);
    static void XMLCALL onText(void* data, const XML_Char* text, int length);
    // A processing instruction's target is a name without a colon in a part with namespaces.
    static void XMLCALL onInstruction(void* data, const XML_Char* target, const XML_Char*) {
        auto* r = static_cast<Reader*>(data);
        if (!r->stopped && std::strchr(target, ':')) r->fail(XML_ERROR_INVALID_TOKEN);
    }
};

// Names are held once each: the same name is the same pointer.
bool hasDuplicate(std::span<const XmlAttribute> attributes) {
    if (attributes.size() <= 8) {
        for (std::size_t i = 0; i < attributes.size(); ++i)
            for (std::size_t j = i + 1; j < attributes.size(); ++j)
                if (attributes[i].name.data() == attributes[j].name.data()) return true;
        return false;
    }
    std::vector<const char*> names;
    names.reserve(attributes.size());
    for (const XmlAttribute& a : attributes) names.push_back(a.name.data());
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

void XMLCALL Reader::onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* r = static_cast<Reader*>(data);
    if (r->stopped) return;
    const std::size_t start = r->index();
    if (start >= r->stopAt || (r->cancelled && r->cancelled->load(std::memory_order_relaxed))) {
        r->stopped = true;
        r->stoppedAt = start;
        XML_StopParser(r->parser, XML_FALSE);
        return;
    }
    const auto owner = std::uint32_t(r->elements->size());
    XML_Error error = r->namespaces.enter(attributes, owner);
    XmlElement e;
    if (error == XML_ERROR_NONE) e.name = r->namespaces.element(name, error);
    if (error != XML_ERROR_NONE) return r->fail(error);
    e.parent = r->current;
    e.depth = r->current == kNoElement ? 0 : (*r->elements)[r->current].depth + 1;
    e.start = start;
    e.startEnd = e.start + r->count();
    e.endStart = e.end = e.startEnd;
    r->textOwner = kNoElement;  // a child ends its parent's text
    std::size_t n = 0;
    for (const XML_Char** a = attributes; *a; a += 2) n += !XmlNamespaces::isDeclaration(a[0]);
    if (n) {
        r->attributeRoom(n);
        std::vector<XmlAttribute>& all = r->store->attributes;
        const std::size_t first = all.size();
        for (const XML_Char** a = attributes; *a; a += 2) {
            if (XmlNamespaces::isDeclaration(a[0])) continue;
            const std::string_view attributeName = r->namespaces.attribute(a[0], error);
            if (error != XML_ERROR_NONE) return r->fail(error);
            all.push_back({attributeName, a[1]});
        }
        e.attributes = std::span<const XmlAttribute>(all.data() + first, n);
        // Two prefixes of one namespace make one name of two attributes written apart.
        if (n > 1 && hasDuplicate(e.attributes)) return r->fail(XML_ERROR_DUPLICATE_ATTRIBUTE);
    }
    r->current = std::uint32_t(r->elements->size());
    r->elements->push_back(e);
}

void XMLCALL Reader::onEnd(void* data, const XML_Char*) {
    auto* r = static_cast<Reader*>(data);
    if (r->stopped) return;
    XmlElement& e = (*r->elements)[r->current];
    const std::size_t count = r->count();
    if (count > 0) {  // an empty-element tag has no end tag of its own
        e.endStart = r->index();
        e.end = e.endStart + count;
    }
    r->namespaces.leave(r->current);
    r->current = e.parent;
}

void XMLCALL Reader::onText(void* data, const XML_Char* text, int length) {
    auto* r = static_cast<Reader*>(data);
    if (r->stopped || r->current == kNoElement || length <= 0) return;
    const auto n = std::size_t(length);
    XmlElement& e = (*r->elements)[r->current];
    // An element's text is its first stretch, which expat may hand over in pieces (at
    // references and line ends): the pool ends with it while it may grow.
    if (e.text.empty()) r->textOwner = r->current;
    if (r->textOwner == r->current) {
        // Text as it is written in the part (no reference, no line end made over) is a view
        // of the part's own bytes; other text is decoded into the pool.
        const std::string_view part = r->part;
        const std::size_t at = r->index();
        const bool asWritten = r->count() == n && at <= part.size() && n <= part.size() - at &&
                               std::memcmp(part.data() + at, text, n) == 0;
        const bool inPart = !e.text.empty() && e.text.data() >= part.data() &&
                            e.text.data() + e.text.size() <= part.data() + part.size();
        if (asWritten && (e.text.empty() || (inPart && e.text.data() + e.text.size() == part.data() + at))) {
            e.text = std::string_view(e.text.empty() ? part.data() + at : e.text.data(), e.text.size() + n);
        } else {
            r->poolRoom(e.text.size() + n);
            std::string& pool = r->store->pool;
            std::size_t from = pool.size();
            if (inPart) pool.append(e.text);  // the pool takes it on
            else if (!e.text.empty()) from = std::size_t(e.text.data() - pool.data());
            pool.append(text, n);
            e.text = std::string_view(pool.data() + from, pool.size() - from);
        }
    }
    if (!r->texts) return;
    const auto order = std::uint32_t(r->elements->size());
    const std::size_t at = r->index();
    const std::size_t count = r->count();
    // Expat hands one stretch over in pieces (at line ends and references): one stretch again.
    std::vector<XmlText>& texts = *r->texts;
    if (!texts.empty() && texts.back().order == order && texts.back().element == r->current &&
        (count == 0 || texts.back().end == at)) {
        texts.back().text.append(text, n);
        if (count) texts.back().end = at + count;
        return;
    }
    texts.push_back({r->current, order, at, at + count, std::string(text, n)});
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

const std::string* XmlElement::attribute(std::string_view wanted) const {
    for (const XmlAttribute& a : attributes)
        if (a.name == wanted) return &a.value;
    return nullptr;
}

void XmlPart::clear() {
    elements_.clear();
    elements2_.clear();
    skipped_ = 0;
    texts_.clear();
    store_ = XmlStore();
    second_.reset();
}

std::string XmlPart::parse(std::string bytes) {
    bytes_ = std::move(bytes);
    halves_ = false;
    clear();
    std::optional<std::string> error;
    if (bytes_.size() >= halvesFrom_ && std::thread::hardware_concurrency() > 1)
        if (const std::optional<XmlSplit> split = findXmlSplit(bytes_)) error = parseInHalves(*split);
    if (!error) {
        clear();
        error = parseWhole();
    }
    view_.first_ = elements_.data();
    view_.firstSize_ = elements_.size();
    view_.second_ = elements2_.data() + skipped_;
    view_.secondSize_ = elements2_.size() - skipped_;
    return *error;
}

std::string XmlPart::parseWhole() {
    Reader reader(elements_, store_, keepTexts_ ? &texts_ : nullptr);
    reader.part = bytes_;
    reader.reserve(bytes_);
    return reader.parse({}, bytes_);
}

std::optional<std::string> XmlPart::parseInHalves(const XmlSplit& split) {
    second_ = std::make_unique<XmlStore>();
    const std::string_view all(bytes_);

    // The second half, on a thread of its own.
    std::vector<XmlText> texts2;
    Reader second(elements2_, *second_, keepTexts_ ? &texts2 : nullptr);
    second.part = bytes_;
    second.shift = split.at - split.prologue.size();
    std::atomic<bool> cancelled{false};
    second.cancelled = &cancelled;
    std::string error2;
    std::exception_ptr failure;
    std::optional<std::thread> started = startThread([&] {
        try {
            second.reserve(all.substr(split.at));
            error2 = second.parse(split.prologue, all.substr(split.at));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (!started) return std::nullopt;  // no thread to be had: read whole
    std::thread& thread = *started;
    // Whatever happens here, the thread is stopped and waited for before its reader goes.
    struct Join {
        std::thread& thread;
        std::atomic<bool>& cancelled;
        ~Join() {
            cancelled = true;
            if (thread.joinable()) thread.join();
        }
    } join{thread, cancelled};

    // The first half, here: it stops at the second's first start tag, and is given the part
    // up to that tag's end.
    Reader first(elements_, store_, keepTexts_ ? &texts_ : nullptr);
    first.part = bytes_;
    first.stopAt = split.at;
    first.reserve(all.substr(0, split.at));
    std::string error = first.parse({}, all.substr(0, std::min(xmlTagEnd(all, split.at), all.size())));
    const std::vector<std::uint32_t> open = first.openElements();
    bool agrees = first.stopped && first.stoppedAt == split.at && open.size() == split.open.size();
    for (std::size_t p = 0; agrees && p < open.size(); ++p)
        agrees = elements_[open[p]].start == split.open[p].first && elements_[open[p]].startEnd == split.open[p].second;
    if (!error.empty() || !first.stopped) return std::nullopt;  // read whole, for the error as a whole reading finds it
    if (!agrees) return std::nullopt;
    thread.join();
    if (failure) std::rethrow_exception(failure);
    if (!error2.empty() || second.stopped) return std::nullopt;  // read whole, for the error's own line

    // The second half's first elements are the open ones: they end there. The rest follow
    // the first half's, their parents numbered so.
    const auto n1 = std::uint32_t(elements_.size());
    const auto k = std::uint32_t(open.size());
    if (elements2_.size() < k) return std::nullopt;
    const auto mapped = [&](std::uint32_t e) { return e < k ? open[e] : n1 + (e - k); };
    for (std::uint32_t p = 0; p < k; ++p) {
        XmlElement& e = elements_[open[p]];
        e.endStart = elements2_[p].endStart;
        e.end = elements2_[p].end;
        if (e.text.empty()) e.text = elements2_[p].text;
    }
    for (std::size_t j = k; j < elements2_.size(); ++j) elements2_[j].parent = mapped(elements2_[j].parent);
    skipped_ = k;
    for (XmlText& t : texts2) {
        t.element = mapped(t.element);
        t.order = n1 + (t.order - k);
        texts_.push_back(std::move(t));
    }
    halves_ = true;
    return std::string();
}

std::string_view XmlPart::prefix(const XmlElement& e) const {
    std::string_view tag(bytes_.data() + e.start + 1, e.startEnd - e.start - 1);
    const std::size_t nameEnd = std::min(tag.find_first_of(" \t\r\n/>"), tag.size());
    const std::size_t colon = tag.substr(0, nameEnd).find(':');
    return colon == std::string_view::npos ? std::string_view() : tag.substr(0, colon);
}

void XmlPart::rawAttributes(const XmlElement& e, std::vector<RawAttribute>& out) const {
    out.clear();
    const char* s = bytes_.data();
    std::size_t i = e.start + 1;
    while (i < e.startEnd && !isSpace(s[i]) && s[i] != '/' && s[i] != '>') ++i;  // the element's name
    for (;;) {
        while (i < e.startEnd && isSpace(s[i])) ++i;
        if (i >= e.startEnd || s[i] == '/' || s[i] == '>') return;
        const std::size_t nameStart = i;
        while (i < e.startEnd && !isSpace(s[i]) && s[i] != '=') ++i;
        const std::string_view name(s + nameStart, i - nameStart);
        while (i < e.startEnd && (isSpace(s[i]) || s[i] == '=')) ++i;
        if (i >= e.startEnd) return;
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

}  // namespace tolvarin
