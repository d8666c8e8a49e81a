#include "convert/conversion.h"

#include <functional>
#include <string>
#include <vector>

#include "convert/rtf_rewriter.h"
#include "fonts/legacy_font.h"
#include "io/file_io.h"

namespace tolvarin {

bool isSourceFont(std::string_view fontName) { return legacyFontNamed(fontName) == &panchariFont(); }

namespace {

// 1204 as "1,204".
std::string grouped(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

std::string convertedByFontNote(const std::vector<std::size_t>& convertedByFont) {
    std::vector<std::string> parts;
    for (std::size_t f = 0; f < convertedByFont.size() && f < legacyFonts().size(); ++f)
        if (convertedByFont[f] > 0)
            parts.push_back(grouped(convertedByFont[f]) + " " + std::string(legacyFonts()[f]->name()));
    if (parts.size() < 2) return {};
    std::string note;
    for (std::size_t i = 0; i < parts.size(); ++i)
        note += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return note + " characters converted";
}

std::string unknownCharactersNote(std::size_t unknown) {
    if (unknown == 1) return "1 character had no Unicode equivalent and was kept as it was";
    return std::to_string(unknown) + " characters had no Unicode equivalent and were kept as they were";
}

RewriteOutcome convertRtfToFile(std::string_view rtf, const std::filesystem::path& path) {
    return convertRtfToFile(rtf, path, RewriteOptions{});
}

namespace {

// Checks the document, then has `save` take its converted content.
RewriteOutcome convertWith(std::string_view rtf, const RewriteOptions& options,
                           const std::function<std::string(const ContentProducer&)>& save) {
    RewriteOutcome outcome;
    RtfRewrite rewrite(rtf, options);
    RewriteResult checked = rewrite.check();
    if (!checked) {
        outcome.ok = false;
        outcome.error = checked.description;
        return outcome;
    }
    outcome.textFonts = std::move(checked.textFonts);
    outcome.error = save([&](const std::function<void(std::string_view)>& write) {
        RewriteResult r = rewrite.write(write);
        outcome.converted = r.converted;
        outcome.unknown = r.unknown;
        outcome.convertedByFont = r.convertedByFont;
        return r ? std::string() : r.description;
    });
    outcome.ok = outcome.error.empty();
    return outcome;
}

}  // namespace

RewriteOutcome convertRtfToFile(std::string_view rtf, const std::filesystem::path& path,
                                const RewriteOptions& options) {
    return convertWith(rtf, options, [&](const ContentProducer& produce) { return writeFileReplacing(path, produce); });
}

RewriteOutcome convertRtfToString(std::string_view rtf, std::string& out, const RewriteOptions& options) {
    out.clear();
    RewriteOutcome outcome = convertWith(rtf, options, [&](const ContentProducer& produce) {
        return produce([&out](std::string_view piece) { out.append(piece); });
    });
    if (!outcome.ok) out.clear();
    return outcome;
}

}  // namespace tolvarin
