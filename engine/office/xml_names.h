// Element and attribute names as a part's namespace declarations make them: "uri
// local-name", or the local name alone where there is no namespace. Expat is given the
// names as written and they are resolved here, each distinct name once while its
// prefix's declaration stands: expat's own resolution builds every name of every tag
// anew, and took about a third of its reading time.
#pragma once

#include <expat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "office/xml_part.h"

namespace tolvarin {

class XmlNamespaces {
public:
    // Resolved names are held once each in `names`.
    explicit XmlNamespaces(XmlNames& names) : names_(names) {}

    // Whether an attribute as written declares a namespace (xmlns, xmlns:p): such an
    // attribute is not one of the element's own.
    static bool isDeclaration(const XML_Char* name) {
        return name[0] == 'x' && name[1] == 'm' && name[2] == 'l' && name[3] == 'n' && name[4] == 's' &&
               (name[5] == 0 || name[5] == ':');
    }
    // Takes the declarations among a start tag's attributes (name, value, ... , null),
    // made by element `owner`. Returns XML_ERROR_NONE, or why a declaration is not allowed.
    XML_Error enter(const XML_Char** attributes, std::uint32_t owner);
    // Ends the declarations element `owner` made.
    void leave(std::uint32_t owner) {
        while (!bindings_.empty() && bindings_.back().owner == owner) {
            forget(bindings_.back().prefix);
            bindings_.pop_back();
        }
    }
    // A name as written, resolved; empty, with `error` set, when it cannot be.
    std::string_view element(std::string_view written, XML_Error& error) {
        const auto found = elements_.find(written);
        return found != elements_.end() ? found->second : resolve(written, true, error);
    }
    std::string_view attribute(std::string_view written, XML_Error& error) {
        const auto found = attributes_.find(written);
        return found != attributes_.end() ? found->second : resolve(written, false, error);
    }

private:
    struct Binding {
        std::string prefix, uri;  // "" for the default namespace; an empty uri undeclares it
        std::uint32_t owner;
    };
    std::string_view resolve(std::string_view written, bool isElement, XML_Error& error);
    // Drops what was resolved with a prefix whose declaration changes.
    void forget(std::string_view prefix);

    XmlNames& names_;
    std::vector<Binding> bindings_;
    using Resolved = std::unordered_map<std::string, std::string_view, XmlNameHash, std::equal_to<>>;
    Resolved elements_, attributes_;
};

}  // namespace tolvarin
