#include "office/xml_names.h"

namespace tolvarin {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";

// The part of a name as written before its colon, "" for none.
std::string_view prefixOf(std::string_view written) {
    const std::size_t colon = written.find(':');
    return colon == std::string_view::npos ? std::string_view() : written.substr(0, colon);
}

}  // namespace

XML_Error XmlNamespaces::enter(const XML_Char** attributes, std::uint32_t owner) {
    for (const XML_Char** a = attributes; *a; a += 2) {
        if (!isDeclaration(a[0])) continue;
        const std::string_view name(a[0]);
        const std::string_view uri(a[1]);
        const std::string_view prefix = name.size() > 5 ? name.substr(6) : std::string_view();
        // The same rules, and errors, as the namespace-aware reading of XML.
        if (name.size() > 5 && (prefix.empty() || prefix.find(':') != std::string_view::npos))
            return XML_ERROR_INVALID_TOKEN;
        if (prefix == "xmlns") return XML_ERROR_RESERVED_PREFIX_XMLNS;
        if (prefix == "xml") {
            if (uri != kXmlNamespace) return XML_ERROR_RESERVED_PREFIX_XML;
            continue;  // bound so always
        }
        if (uri == kXmlNamespace || uri == kXmlnsNamespace) return XML_ERROR_RESERVED_NAMESPACE_URI;
        if (!prefix.empty() && uri.empty()) return XML_ERROR_UNDECLARING_PREFIX;
        forget(prefix);
        bindings_.push_back({std::string(prefix), std::string(uri), owner});
    }
    return XML_ERROR_NONE;
}

std::string_view XmlNamespaces::resolve(std::string_view written, bool isElement, XML_Error& error) {
    const std::size_t colon = written.find(':');
    std::string_view uri, local = written;
    if (colon != std::string_view::npos) {
        if (colon == 0 || colon + 1 == written.size() || written.find(':', colon + 1) != std::string_view::npos) {
            error = XML_ERROR_INVALID_TOKEN;
            return {};
        }
        const std::string_view prefix = written.substr(0, colon);
        local = written.substr(colon + 1);
        if (prefix == "xml") {
            uri = kXmlNamespace;
        } else {
            auto b = bindings_.rbegin();
            while (b != bindings_.rend() && b->prefix != prefix) ++b;
            if (b == bindings_.rend()) {
                error = XML_ERROR_UNBOUND_PREFIX;
                return {};
            }
            uri = b->uri;
        }
    } else if (isElement) {  // an unprefixed element is in the default namespace; an attribute in none
        auto b = bindings_.rbegin();
        while (b != bindings_.rend() && !b->prefix.empty()) ++b;
        if (b != bindings_.rend()) uri = b->uri;
    }
    std::string expanded;
    expanded.reserve(uri.size() + 1 + local.size());
    if (!uri.empty()) expanded.append(uri).push_back(' ');
    expanded.append(local);
    auto held = names_.find(std::string_view(expanded));
    if (held == names_.end()) held = names_.insert(std::move(expanded)).first;
    const std::string_view resolved(*held);
    (isElement ? elements_ : attributes_).emplace(std::string(written), resolved);
    return resolved;
}

void XmlNamespaces::forget(std::string_view prefix) {
    for (Resolved* resolved : {&elements_, &attributes_})
        for (auto it = resolved->begin(); it != resolved->end();)
            it = prefixOf(it->first) == prefix ? resolved->erase(it) : std::next(it);
}

}  // namespace tolvarin
