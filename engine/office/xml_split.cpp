#include "office/xml_split.h"

#include <algorithm>
#include <cstring>

namespace tolvarin {

std::optional<XmlSplit> findXmlSplit(std::string_view s) {
    // UTF-16 and UTF-32 have zero bytes or a byte-order mark up front.
    if (s.size() < 4 || s[0] == '\0' || s[1] == '\0' || static_cast<unsigned char>(s[0]) >= 0xFE) return std::nullopt;
    const std::size_t target = s.size() / 2;
    // How far past the middle a shallower start tag is looked for.
    const std::size_t window = std::min<std::size_t>(s.size() / 16, std::size_t(1) << 20);
    std::vector<std::pair<std::size_t, std::size_t>> open;
    std::optional<XmlSplit> best;
    std::size_t i = 0;
    const auto skipPast = [&](std::size_t from, std::string_view end) {
        const std::size_t found = s.find(end, from);
        return found == std::string_view::npos ? s.size() : found + end.size();
    };
    while (i < s.size()) {
        const void* lt = std::memchr(s.data() + i, '<', s.size() - i);
        if (!lt) break;
        i = std::size_t(static_cast<const char*>(lt) - s.data());
        if (i + 1 >= s.size()) break;
        const char next = s[i + 1];
        if (next == '?') {
            i = skipPast(i + 2, "?>");
            continue;
        }
        if (next == '!') {
            if (s.substr(i, 4) == "<!--") i = skipPast(i + 4, "-->");
            else if (s.substr(i, 9) == "<![CDATA[") i = skipPast(i + 9, "]]>");
            else return std::nullopt;  // a document type declaration
            continue;
        }
        if (next == '/') {
            if (open.empty()) return std::nullopt;
            open.pop_back();
            i = skipPast(i + 2, ">");
            continue;
        }
        if (i >= target && !open.empty()) {
            if (!best || open.size() < best->open.size()) best = XmlSplit{i, open, {}};
            if (open.size() == 1 || i >= target + window) break;  // none shallower to be found
        }
        const std::size_t end = xmlTagEnd(s, i);
        if (end == std::string_view::npos) break;
        if (s[end - 2] != '/') open.emplace_back(i, end);
        i = end;
    }
    if (!best) return std::nullopt;
    // What precedes the root (the XML declaration with its encoding, comments), then the
    // open start tags as written.
    best->prologue.assign(s.substr(0, best->open.front().first));
    for (const auto& [begin, end] : best->open) best->prologue.append(s.substr(begin, end - begin));
    return best;
}

std::size_t xmlTagEnd(std::string_view s, std::size_t at) {
    char quote = 0;
    for (std::size_t j = at + 1; j < s.size(); ++j) {
        const char c = s[j];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return j + 1;
        }
    }
    return std::string_view::npos;
}

}  // namespace tolvarin
