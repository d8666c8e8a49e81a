// Changes to a run's w:rPr spliced into the part: fonts in chosen slots, the complex
// script's bold, italic and size, its language; each child in the place Word's schema
// gives it, so that Word still opens the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "office/docx_styles.h"
#include "office/xml_part.h"

namespace tolvarin::docx {

struct RunPropertiesEdit {
    std::string font;
    std::vector<Slot> slots;  // set to `font`; their theme fonts are dropped
    // The complex script's bold and italic, where they are to be written: on, or off
    // where the run would otherwise take them on from its styles.
    std::optional<bool> boldCs, italicCs;
    std::optional<std::string> sizeCs;
    // The same for Western text, which legacy-font codes are to a word processor.
    std::optional<bool> bold, italic;
    std::optional<std::string> size;
    std::optional<std::string> complexLanguage;
};

// Applies `edit` to the run (or numbering level) `owner` whose w:rPr is `rPr`, or
// kNoElement when it has none. `level`: the owner is a w:lvl, whose w:rPr is its last
// child. Marks the w:rFonts elements it rewrites in `fontsRewritten`.
void editRunProperties(const XmlPart& part, std::uint32_t owner, std::uint32_t rPr, bool level,
                       const RunPropertiesEdit& edit, XmlSplice& splice, std::vector<char>& fontsRewritten);

// editRunProperties() for the runs of one part, each w:rPr edited once for all the runs
// that write it alike and take the same edit: most runs of a long document repeat a few,
// and an edit writes many tags. An edited w:rPr is spliced in whole.
class RunPropertiesEditor {
public:
    RunPropertiesEditor(const XmlPart& part, std::vector<char>& fontsRewritten)
        : part_(part), fontsRewritten_(fontsRewritten) {}
    void edit(std::uint32_t owner, std::uint32_t rPr, bool level, const RunPropertiesEdit& edit, XmlSplice& splice);

private:
    struct Edited {
        std::string bytes;                  // the w:rPr as edited
        std::vector<std::uint32_t> marked;  // which of its children are w:rFonts rewritten
        bool whole = true;                  // false: edited change by change, each time
    };
    Edited editOnce(std::uint32_t owner, std::uint32_t rPr, bool level, const RunPropertiesEdit& edit);

    const XmlPart& part_;
    std::vector<char>& fontsRewritten_;
    // By all the edit depends on: the w:rPr as written, its children's names as read (the
    // same name is the same pointer), the run's prefix, and the edit.
    std::unordered_map<std::string, Edited> edited_;
    std::string key_;
    std::vector<std::uint32_t> children_;
};

// Names ML-TTRevathi wherever a font with glyph rules into it (PANCHARI) is named: the
// w:rFonts slots not rewritten already, and the font table's entries.
void renameLegacyFonts(const XmlPart& part, XmlSplice& splice, const std::vector<char>& fontsRewritten,
                       std::uint32_t from = 0, std::uint32_t to = kNoElement);

}  // namespace tolvarin::docx
