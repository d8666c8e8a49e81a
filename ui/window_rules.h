// What the window does the same on every platform, whatever draws it: its texts and
// layout, the enabling rule, the output file's path, and what a second start hands to
// the running copy. The Qt window and the native Windows window both call this.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tolvarin {

// Captions, tool tips and titles, in UTF-8. "&" marks an access key.
namespace window_text {
inline constexpr std::string_view kTitle = "Tolvarin";
inline constexpr std::string_view kInputFrame = "Input File:";
inline constexpr std::string_view kOutputFrame = "Output Folder:";
inline constexpr std::string_view kChooseButton = "...";
inline constexpr std::string_view kConvertToLabel = "Convert &to:";
inline constexpr std::string_view kConvert = "&Convert";
inline constexpr std::string_view kTextButton = "Te&xt...";
inline constexpr std::string_view kQuit = "&Quit";
inline constexpr std::string_view kStartStatus = "Converts Panchari RTF files to ISM font.";
inline constexpr std::string_view kNotice = "Beta Version... Only for Testing";
// The notice bar's tool tip: the version and the licence.
std::string noticeTip();
inline constexpr std::string_view kOpenTip = "Choose the RTF document to convert";
inline constexpr std::string_view kBrowseTip = "Choose another folder for the converted document";
inline constexpr std::string_view kConvertToTip =
    "What to write the Malayalam text in: ML-TTRevathi, Unicode Malayalam or another legacy font";
inline constexpr std::string_view kConvertTip =
    "Convert the document and save it as Converted_<name> in the output folder";
inline constexpr std::string_view kQuitTip = "End the program (Escape)";
inline constexpr std::string_view kTextTip =
    "Type or paste text and see it in Unicode Malayalam and in a legacy font's codes, to copy either";
// The text window: typed or pasted text, converted as it is typed, both ways.
inline constexpr std::string_view kTextTitle = "Tolvarin: text";
inline constexpr std::string_view kTextUnicodeLabel = "&Unicode Malayalam:";
inline constexpr std::string_view kTextFontLabel = "In the &font:";
inline constexpr std::string_view kTextCodesLabel = "Its c&odes (a desktop-publishing program takes them as they are):";
inline constexpr std::string_view kCopyUnicode = "Copy U&nicode";
inline constexpr std::string_view kCopyCodes = "Copy co&des";
inline constexpr std::string_view kCloseText = "Close";
inline constexpr std::string_view kTextHint =
    "Pasted from a word processor, text keeps its fonts; other text pasted among the codes is taken as the font's.";
inline constexpr std::string_view kOpenTitle = "Open File";
inline constexpr std::string_view kBrowseTitle = "Open Output Folder";
// The Open dialog's filters, in order: caption and patterns.
struct Filter {
    std::string_view caption;
    std::string_view patterns;  // separated by ';'
};
inline constexpr std::array<Filter, 5> kOpenFilters = {{
    {"Rich Text Format (*.RTF)", "*.RTF"},
    {"Word and OpenDocument (*.DOCX *.ODT *.DOC)", "*.DOCX;*.ODT;*.DOC"},
    {"Presentations and spreadsheets (*.PPTX *.XLSX *.ODP *.ODS)",
     "*.PPTX;*.PPTM;*.PPSX;*.POTX;*.XLSX;*.XLSM;*.XLTX;*.ODP;*.ODS;*.OTP;*.OTS"},
    {"PDF, to Unicode text (*.PDF)", "*.PDF"},
    {"All files (*.*)", "*.*"},
}};
// Where the choice of what to convert to is kept between runs (the registry key on
// Windows): its name in conversionTargets(). An earlier version kept a Unicode box's state.
inline constexpr std::string_view kSettingsKey = "Software\\Tolvarin";
inline constexpr std::string_view kConvertToSetting = "convertTo";
inline constexpr std::string_view kUnicodeSetting = "unicode";
}  // namespace window_text

// The window's controls, in tab order, and where each sits: in twips, relative to the
// client area or, for a control inside a frame, to its frame.
enum class Control { Frame1, txtInput, cmdOpen, Frame2, txtOutput, cmdBrowse, lblConvertTo, cboConvertTo, CmdConvert,
                     cmdQuit, cmdText, lblStatus, Label2 };
struct Placement {
    Control control;
    std::optional<Control> frame;
    int left, top, width, height;
};
inline constexpr int kClientWidth = 5175;   // twips: 345 pixels at 96 dpi
inline constexpr int kClientHeight = 2655;  // 177 pixels
inline constexpr std::array<Placement, 13> kLayout = {{
    {Control::Frame1, std::nullopt, 120, 120, 4935, 735},
    {Control::txtInput, Control::Frame1, 120, 240, 4575, 285},
    {Control::cmdOpen, Control::Frame1, 4440, 240, 375, 285},
    {Control::Frame2, std::nullopt, 120, 960, 4935, 735},
    {Control::txtOutput, Control::Frame2, 120, 240, 4575, 285},
    {Control::cmdBrowse, Control::Frame2, 4440, 240, 375, 285},
    {Control::lblConvertTo, std::nullopt, 120, 1860, 840, 210},
    {Control::cboConvertTo, std::nullopt, 960, 1800, 2280, 320},
    {Control::CmdConvert, std::nullopt, 3360, 1800, 750, 320},
    {Control::cmdQuit, std::nullopt, 4320, 1800, 750, 320},
    {Control::cmdText, std::nullopt, 4320, 2145, 750, 240},  // at the status line's far end
    {Control::lblStatus, std::nullopt, 120, 2160, 2865, 210},  // its width follows its caption
    {Control::Label2, std::nullopt, 0, 2400, 5175, 255},
}};
const Placement& placementOf(Control control);

// Pixels from twips at `dpi` dots per inch (15 twips a pixel at 96).
constexpr int twipsToPixels(int twips, int dpi = 96) { return (twips * dpi + 720) / 1440; }

// The enabling rule: what the two path texts make of the Convert button and of the
// output row (its frame, box and button together). Lengths count UTF-16 units, as the
// controls do; one character counts as too short.
struct EnabledStates {
    bool convert = false;
    bool outputRow = false;
};
EnabledStates enablingRule(std::u16string_view input, std::u16string_view output);

// The path the next conversion saves to: Converted_<name> in `folder`, its extension
// saying what is written when the loaded document's bytes are known (a Word 97-2003
// document as the DOCX made of it, RTF under another name as .rtf).
std::u16string outputFileFor(std::u16string_view input, std::u16string_view folder,
                             const std::string* documentBytes);

// A second start of the window: the running copy is brought forward and, when the second
// start was given a file, handed that file. What it is handed is checked here, by both
// sides: an absolute path of a regular file that exists.
std::optional<std::filesystem::path> fileToHandOver(const std::filesystem::path& argument,
                                                    const std::filesystem::path& workingFolder);
bool acceptHandedFile(const std::filesystem::path& path);
// The file a start given `argument` opens: the same path, also when it names no file, so
// that opening it tells the user why.
std::filesystem::path fileToOpenAtStart(const std::filesystem::path& argument,
                                        const std::filesystem::path& workingFolder);

}  // namespace tolvarin
