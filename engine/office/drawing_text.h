// DrawingML text, wherever it stands (a slide's shapes, SmartArt, charts, a sheet's text
// boxes): paragraphs of runs, each in the font its own properties name (a:latin) or its
// paragraph inherits; converted text spliced back, converted runs in Unicode given the
// Unicode font for every script.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/conversion_options.h"
#include "office/package_text.h"
#include "office/pptx_styles.h"
#include "office/xml_part.h"

namespace tolvarin::drawing {

struct PieceAt {
    std::uint32_t piece, element, run;  // the text element, and its run in Runs::runs
};
struct RunAt {
    std::uint32_t element, rPr;  // rPr: kNoElement when the run has none
    bool touched = false;
};
struct Runs {
    std::vector<PieceAt> pieces;
    std::vector<RunAt> runs;
};

// What a paragraph's own text body gives its runs: a chart's paragraph's defaults (a:pPr
// a:defRPr), then the body's list style at the paragraph's level (into `level`, 0 to 8);
// empty where neither names a font.
std::string ownFont(const XmlPart& xml, std::uint32_t paragraph, bool chart, int& level);

// The font a paragraph's runs take where their own properties name none, by its a:p element.
using Inherited = std::function<std::string(std::uint32_t paragraph)>;
// Reads every paragraph of the part, a theme font's reference resolved through `theme`;
// `shown`: its text is the document's, for the plain text (a master's and a layout's
// prompts are not).
void read(const XmlPart& xml, const pptx::ThemeFonts& theme, const Inherited& inherited, PackageText& text, Runs& runs,
          bool shown = true);
// The converted text into `splice`, and in Unicode each converted run's properties.
void write(const XmlPart& xml, Runs& runs, const PackageText& text, const ConversionOptions& options, XmlSplice& splice);
// To ML-TTRevathi: every typeface naming a PANCHARI font renamed, wherever text takes it from.
void renameTypefaces(const XmlPart& xml, XmlSplice& splice);

}  // namespace tolvarin::drawing
