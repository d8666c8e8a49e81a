#include "core/conversion_options.h"

#include <algorithm>
#include <cctype>

namespace tolvarin {
namespace {

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

bool legacyTargetCalled(std::string_view given, ConversionOptions& options, std::string& error) {
    const std::string name = trimmed(given);
    if (sameName(name, "unicode")) {
        options.unicode = true;
        options.toEncoding = nullptr;
        options.toFont.clear();
        return true;
    }
    // A font a table lists, in the table's spelling.
    for (const LegacyEncoding* e : legacyEncodings())
        for (std::string_view font : e->table().fonts)
            if (sameName(font, name)) {
                options.toEncoding = e;
                options.toFont = std::string(font);
                options.unicode = false;
                return true;
            }
    // Another name a table gives its encoding (a prefix, a style word after it), as given.
    if (const LegacyFont* named = legacyFontNamed(name)) {
        options.toEncoding = &named->encoding();
        options.toFont = name;
        options.unicode = false;
        return true;
    }
    if (const LegacyEncoding* e = legacyEncodingCalled(name)) {
        error = name + " is an encoding, not a font: name one of its fonts";
        // Those named after it first: ML-TTKarthika before Chamheav.
        std::vector<std::string_view> fonts(e->table().fonts.begin(), e->table().fonts.end());
        std::stable_partition(fonts.begin(), fonts.end(), [&](std::string_view f) {
            return f.size() > e->name().size() && sameName(f.substr(0, e->name().size()), e->name());
        });
        for (std::size_t i = 0; i < fonts.size() && i < 3; ++i) error += std::string(i ? ", " : ", as ") + std::string(fonts[i]);
        return false;
    }
    error = "no legacy font is called " + name + "; name one (ML-TTKarthika, ML-TTRevathi, PANCHARI, Manorama ...) or unicode";
    return false;
}

bool legacySourcesCalled(std::string_view list, ConversionOptions& options, std::string& error) {
    options.from.clear();
    options.fromUnicode = false;
    bool any = false;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        const std::string name = trimmed(list.substr(start, comma - start));
        start = comma + 1;
        if (name.empty()) continue;
        any = true;
        if (sameName(name, "unicode")) {
            options.fromUnicode = true;
            continue;
        }
        const LegacyEncoding* e = legacyEncodingCalled(name);
        if (!e)
            if (const LegacyFont* f = legacyFontNamed(name)) e = &f->encoding();
        if (!e) {
            error = "no encoding is called " + name + "; the encodings are " + legacyEncodingList(" and ") + ", and unicode";
            return false;
        }
        options.from.push_back(e);
    }
    if (!any) {
        error = "--from names no encoding";
        return false;
    }
    // Unicode alone: no legacy encoding's text converts.
    if (options.from.empty()) options.from.push_back(nullptr);
    return true;
}

const std::vector<ConversionTarget>& conversionTargets() {
    static const std::vector<ConversionTarget> targets = [] {
        std::vector<ConversionTarget> list{{std::string(kRevathiTarget), std::string(kRevathiTarget)},
                                           {"Unicode Malayalam", std::string(kUnicodeTarget)}};
        // What typists and desktop publishers set most: a font of each encoding.
        constexpr std::string_view kCommon[] = {"ML-TTKarthika", "ML-TTNandini", "PANCHARI",    "Manorama",
                                                "Matweb",        "MLB-TTKarthika", "MLBW-TTKarthika", "Haritha",
                                                "Thoolika",      "PMLTKairali",  "Chowara",     "J*Mlm*Jaya"};
        std::vector<std::string_view> others;
        for (const LegacyEncoding* e : legacyEncodings())
            for (std::string_view font : e->table().fonts) others.push_back(font);
        for (std::string_view common : kCommon) {
            const auto at = std::find_if(others.begin(), others.end(), [&](std::string_view f) { return f == common; });
            if (at == others.end()) continue;  // a table no longer lists it
            list.push_back({std::string(common), std::string(common)});
            others.erase(at);
        }
        std::sort(others.begin(), others.end(), [](std::string_view a, std::string_view b) {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
            });
        });
        for (std::string_view font : others)
            if (font != kRevathiTarget) list.push_back({std::string(font), std::string(font)});
        return list;
    }();
    return targets;
}

std::size_t conversionTargetIndex(std::string_view name) {
    const std::vector<ConversionTarget>& targets = conversionTargets();
    for (std::size_t k = 0; k < targets.size(); ++k)
        if (sameName(targets[k].name, name)) return k;
    return 0;
}

ConversionOptions conversionTargetOptions(std::size_t index) {
    ConversionOptions options;
    const std::vector<ConversionTarget>& targets = conversionTargets();
    if (index == 0 || index >= targets.size()) return options;
    std::string error;
    legacyTargetCalled(targets[index].name, options, error);  // every name but the first is one it takes
    return options;
}

}  // namespace tolvarin
