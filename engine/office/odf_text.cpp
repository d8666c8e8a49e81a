#include "office/odf_text.h"

#include "office/xml_part.h"

namespace tolvarin::odf {
namespace {

void appendSpaces(std::string& out, std::size_t n) {
    if (n == 0) return;
    out += n == 1 ? "<text:s/>" : "<text:s text:c=\"" + std::to_string(n) + "\"/>";
}

}  // namespace

void appendText(std::string& out, std::string_view utf8, bool& collapsing, bool ending, bool after) {
    std::size_t from = 0;  // plain text not yet written
    const auto plain = [&](std::size_t to) {
        appendXmlEscaped(out, utf8.substr(from, to - from));
        from = to;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (c == '\t' || c == '\n' || c == '\r') {
            plain(i);
            out += c == '\t' ? "<text:tab/>" : "<text:line-break/>";
            from = ++i;
            collapsing = false;
            continue;
        }
        if (c != ' ') {
            ++i;
            collapsing = false;
            continue;
        }
        std::size_t j = i;
        while (j < utf8.size() && utf8[j] == ' ') ++j;
        const std::size_t run = j - i;
        plain(i);
        if (ending && j == utf8.size()) {
            // The text's last spaces: what follows shows as it did when they leave the
            // state as it was read.
            if (after && !collapsing) {
                appendSpaces(out, run - 1);
                out += ' ';
            } else {
                appendSpaces(out, run);
            }
            collapsing = after && !collapsing;
        } else if (collapsing) {
            appendSpaces(out, run);
            collapsing = false;
        } else {
            out += ' ';
            appendSpaces(out, run - 1);
            collapsing = run == 1;
        }
        from = i = j;
    }
    plain(utf8.size());
}

}  // namespace tolvarin::odf
