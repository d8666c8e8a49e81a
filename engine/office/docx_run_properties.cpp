#include "office/docx_run_properties.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <vector>

#include "fonts/glyph_map.h"
#include "core/legacy_text.h"

namespace tolvarin::docx {
namespace {

// The order of w:rPr's children in the schema (CT_RPr); what is not listed goes last.
constexpr std::string_view kOrder[] = {
    "rStyle", "rFonts",  "b",        "bCs",   "i",         "iCs",   "caps",      "smallCaps", "strike",
    "dstrike", "outline", "shadow",  "emboss", "imprint",  "noProof", "snapToGrid", "vanish",  "webHidden",
    "color",  "spacing", "w",        "kern",  "position",  "sz",    "szCs",      "highlight", "u",
    "effect", "bdr",     "shd",      "fitText", "vertAlign", "rtl",  "cs",        "em",        "lang",
    "eastAsianLayout", "specVanish", "oMath"};

std::size_t rankOf(std::string_view local) {
    // Only the names of the same length are compared: a handful at most.
    struct ByLength {
        std::array<std::vector<std::uint8_t>, 16> ranks;
        ByLength() {
            for (std::size_t i = 0; i < std::size(kOrder); ++i) ranks[kOrder[i].size()].push_back(std::uint8_t(i));
        }
    };
    static const ByLength byLength;
    if (local.size() < byLength.ranks.size())
        for (const std::uint8_t rank : byLength.ranks[local.size()])
            if (kOrder[rank] == local) return rank;
    return std::size(kOrder);
}

std::string_view localName(std::string_view written) {
    const std::size_t colon = written.find(':');
    return colon == std::string_view::npos ? written : written.substr(colon + 1);
}

// Appends `p:local`, the prefix as the run's own tag writes it.
void appendName(std::string& out, std::string_view prefix, std::string_view local) {
    if (!prefix.empty()) out.append(prefix).push_back(':');
    out.append(local);
}

void appendStart(std::string& out, std::string_view prefix, std::string_view local) {
    out += '<';
    appendName(out, prefix, local);
}

// Appends ` p:name="value"`, the value escaped.
void appendAttribute(std::string& out, std::string_view prefix, std::string_view name, std::string_view value) {
    out += ' ';
    appendName(out, prefix, name);
    out += "=\"";
    appendXmlEscaped(out, value);
    out += '"';
}

// What one run's edit needs, held from run to run on each thread: a long document edits
// many runs.
struct Scratch {
    std::vector<std::uint32_t> children;
    std::vector<std::size_t> ranks;  // by child
    std::vector<XmlPart::RawAttribute> attributes;
    // The children to add, by their place in the schema: their tags one after another in `text`.
    struct Added {
        std::size_t rank, begin, end;
    };
    std::vector<Added> added;
    std::string text, tag, name;
};

}  // namespace

void editRunProperties(const XmlPart& part, std::uint32_t owner, std::uint32_t rPr, bool level,
                       const RunPropertiesEdit& edit, XmlSplice& splice, std::vector<char>& fontsRewritten) {
    const auto& el = part.elements();
    const std::string_view bytes = part.bytes();
    const std::string_view p = part.prefix(el[owner]);
    thread_local Scratch scratch;
    Scratch& s = scratch;
    s.children.clear();
    s.ranks.clear();
    s.added.clear();
    s.text.clear();
    const auto add = [&](std::size_t rank, auto&& write) {
        const std::size_t begin = s.text.size();
        write(s.text);
        s.added.push_back({rank, begin, s.text.size()});
    };

    std::uint32_t fonts = kNoElement, language = kNoElement, sizeCs = kNoElement, boldCs = kNoElement,
                  italicCs = kNoElement, size = kNoElement, bold = kNoElement, italic = kNoElement;
    if (rPr != kNoElement && !el[rPr].empty())
        forChildren(part, rPr, [&](std::uint32_t j) {
            const std::string_view local = wLocalName(el[j]);
            s.children.push_back(j);
            s.ranks.push_back(local.empty() ? std::size(kOrder) : rankOf(local));
            if (local == "rFonts") fonts = j;
            else if (local == "lang") language = j;
            else if (local == "bCs") boldCs = j;
            else if (local == "iCs") italicCs = j;
            else if (local == "szCs") sizeCs = j;
            else if (local == "b") bold = j;
            else if (local == "i") italic = j;
            else if (local == "sz") size = j;
        });

    if (!edit.slots.empty()) {
        // w:rFonts with the slots set, keeping its other attributes as they were written.
        std::string& tag = s.tag;
        tag.clear();
        appendStart(tag, p, "rFonts");
        if (fonts != kNoElement) {
            part.rawAttributes(el[fonts], s.attributes);
            for (const XmlPart::RawAttribute& a : s.attributes) {
                const std::string_view local = localName(a.name);
                bool replaced = false;
                for (Slot slot : edit.slots)
                    replaced = replaced || local == kSlotNames[slot] || local == kThemeSlotNames[slot];
                if (replaced) continue;
                tag.append(" ").append(a.name).append("=\"");
                appendXmlEscaped(tag, bytes.substr(a.valueStart, a.valueEnd - a.valueStart));
                tag += '"';
            }
        }
        // The font escaped once for all its slots.
        s.name.clear();
        appendXmlEscaped(s.name, edit.font);
        for (Slot slot : edit.slots) {
            tag += ' ';
            appendName(tag, p, kSlotNames[slot]);
            tag.append("=\"").append(s.name) += '"';
        }
        if (fonts != kNoElement) {
            fontsRewritten[fonts] = 1;
            tag += el[fonts].empty() ? "/>" : ">";
            splice.replace(el[fonts].start, el[fonts].startEnd, tag);
        } else {
            add(rankOf("rFonts"), [&](std::string& out) { out.append(tag).append("/>"); });
        }
    }
    // An on/off property set to `on`: added, or where the run has it with the other value,
    // written anew, as LibreOffice writes it.
    const auto onOffTo = [&](std::uint32_t element, std::string_view local, bool on) {
        s.tag.clear();
        appendStart(s.tag, p, local);
        if (!on) appendAttribute(s.tag, p, "val", "false");
        s.tag += "/>";
        if (element == kNoElement) add(rankOf(local), [&](std::string& out) { out += s.tag; });
        else if (onOff(el[element]) != on) splice.replace(el[element].start, el[element].end, s.tag);
    };
    if (edit.bold) onOffTo(bold, "b", *edit.bold);
    if (edit.boldCs) onOffTo(boldCs, "bCs", *edit.boldCs);
    if (edit.italic) onOffTo(italic, "i", *edit.italic);
    if (edit.italicCs) onOffTo(italicCs, "iCs", *edit.italicCs);
    // A size: added, or its value written anew.
    const auto sizeTo = [&](std::uint32_t element, std::string_view local, const std::string& value) {
        if (element == kNoElement) {
            add(rankOf(local), [&](std::string& out) {
                appendStart(out, p, local);
                appendAttribute(out, p, "val", value);
                out += "/>";
            });
            return;
        }
        s.name.clear();
        appendName(s.name, p, "val");
        auto [from, to] = part.attributeValueRange(el[element], s.name);
        if (from != std::string::npos) splice.replace(from, to, value);
    };
    if (edit.size) sizeTo(size, "sz", *edit.size);
    if (edit.sizeCs) sizeTo(sizeCs, "szCs", *edit.sizeCs);
    if (edit.complexLanguage) {
        if (language == kNoElement) {
            add(rankOf("lang"), [&](std::string& out) {
                appendStart(out, p, "lang");
                appendAttribute(out, p, "bidi", *edit.complexLanguage);
                out += "/>";
            });
        } else {
            s.name.clear();
            appendName(s.name, p, "bidi");
            auto [from, to] = part.attributeValueRange(el[language], s.name);
            if (from != std::string::npos) {
                splice.replace(from, to, *edit.complexLanguage);
            } else {
                const XmlElement& e = el[language];
                s.tag.clear();
                appendAttribute(s.tag, p, "bidi", *edit.complexLanguage);
                splice.insert(e.startEnd - (e.empty() ? 2 : 1), s.tag);
            }
        }
    }
    if (s.added.empty()) return;
    const auto tagOf = [&](const Scratch::Added& a) {
        return std::string_view(s.text).substr(a.begin, a.end - a.begin);
    };

    if (rPr == kNoElement || el[rPr].empty()) {
        std::string& whole = s.tag;
        whole.clear();
        appendStart(whole, p, "rPr");
        whole += '>';
        for (const Scratch::Added& a : s.added) whole.append(tagOf(a));
        whole += "</";
        appendName(whole, p, "rPr");
        whole += '>';
        if (rPr != kNoElement) splice.replace(el[rPr].start, el[rPr].end, whole);
        else if (level) splice.insert(el[owner].endStart, whole);
        else splice.insert(el[owner].startEnd, whole);
        return;
    }
    for (const Scratch::Added& a : s.added) {
        std::size_t at = el[rPr].endStart;
        for (std::size_t c = 0; c < s.children.size(); ++c)
            if (s.ranks[c] > a.rank) {
                at = el[s.children[c]].start;
                break;
            }
        splice.insert(at, tagOf(a));
    }
}

RunPropertiesEditor::Edited RunPropertiesEditor::editOnce(std::uint32_t owner, std::uint32_t rPr, bool level,
                                                           const RunPropertiesEdit& edit) {
    const auto& el = part_.elements();
    const XmlElement& properties = el[rPr];
    XmlSplice own;
    std::vector<char> before;
    for (std::uint32_t j : children_) before.push_back(fontsRewritten_[j]);
    editRunProperties(part_, owner, rPr, level, edit, own, fontsRewritten_);
    Edited edited;
    edited.whole = own.within(properties.start, properties.end);
    for (std::size_t c = 0; c < children_.size(); ++c) {
        if (fontsRewritten_[children_[c]] && !before[c]) edited.marked.push_back(std::uint32_t(c));
        // A second w:rFonts, left as it is here, is renamed later in a change of its own:
        // the w:rPr is then not spliced in whole.
        else if (wLocalName(el[children_[c]]) == "rFonts") edited.whole = false;
    }
    if (edited.whole) {
        edited.bytes.resize(own.outputSize(properties.start, properties.end));
        own.applyInto(part_.bytes(), properties.start, properties.end, edited.bytes.data());
    }
    return edited;
}

void RunPropertiesEditor::edit(std::uint32_t owner, std::uint32_t rPr, bool level, const RunPropertiesEdit& edit,
                               XmlSplice& splice) {
    const auto& el = part_.elements();
    if (rPr == kNoElement) {  // a new w:rPr: nothing to read
        editRunProperties(part_, owner, rPr, level, edit, splice, fontsRewritten_);
        return;
    }
    const XmlElement& properties = el[rPr];
    const std::string_view written = std::string_view(part_.bytes()).substr(properties.start, properties.end - properties.start);
    const auto optional = [&](const auto& value, char off) {
        if (!value) key_ += off;
        else if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, bool>) key_ += *value ? '1' : '0';
        else key_.append(*value);
        key_ += '\0';
    };
    key_.assign(written);
    key_ += '\0';
    key_ += part_.prefix(el[owner]);
    key_ += '\0';
    key_ += level ? 'l' : 'r';
    optional(edit.boldCs, '-');
    optional(edit.italicCs, '-');
    optional(edit.sizeCs, '-');
    optional(edit.bold, '-');
    optional(edit.italic, '-');
    optional(edit.size, '-');
    optional(edit.complexLanguage, '-');
    key_ += edit.font;
    key_ += '\0';
    for (Slot slot : edit.slots) key_ += char('0' + slot);
    children_.clear();
    forChildren(part_, rPr, [&](std::uint32_t j) {
        children_.push_back(j);
        const char* name = el[j].name.data();
        key_.append(reinterpret_cast<const char*>(&name), sizeof name);
    });
    auto found = edited_.find(key_);
    if (found == edited_.end()) found = edited_.emplace(key_, editOnce(owner, rPr, level, edit)).first;
    if (!found->second.whole) {
        editRunProperties(part_, owner, rPr, level, edit, splice, fontsRewritten_);
        return;
    }
    for (std::uint32_t c : found->second.marked) fontsRewritten_[children_[c]] = 1;
    if (found->second.bytes != written) splice.replace(properties.start, properties.end, found->second.bytes);
}

void renameLegacyFonts(const XmlPart& part, XmlSplice& splice, const std::vector<char>& fontsRewritten,
                       std::uint32_t from, std::uint32_t to) {
    const auto& el = part.elements();
    const std::string_view bytes = part.bytes();
    auto renamed = [](std::string_view name) { return convertsFont(legacyFontNamed(name), false); };
    for (std::uint32_t i = from; i < std::min<std::size_t>(to, el.size()); ++i) {
        const XmlElement& e = el[i];
        const bool fontTableEntry = isW(e, "font") && e.parent != kNoElement && isW(el[e.parent], "fonts");
        if (!(isW(e, "rFonts") && !fontsRewritten[i]) && !fontTableEntry) continue;
        for (const XmlPart::RawAttribute& a : part.rawAttributes(e)) {
            const std::string_view local = localName(a.name);
            const bool slot = fontTableEntry ? local == "name"
                                             : std::find(std::begin(kSlotNames), std::end(kSlotNames), local) !=
                                                   std::end(kSlotNames);
            if (slot && renamed(bytes.substr(a.valueStart, a.valueEnd - a.valueStart)))
                splice.replace(a.valueStart, a.valueEnd, std::string(kTargetFontName));
        }
    }
}

}  // namespace tolvarin::docx
