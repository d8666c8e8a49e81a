// The window's conversion pass: builds a copy of a document in which every character
// set in the PANCHARI font is replaced by its ML-TTRevathi codes, and saves it, locking
// the window's controls and showing its status texts meanwhile. No Qt: the window
// drives it through PassHost, and tools run it without a window.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/conversion_report.h"
#include "model/document.h"

namespace tolvarin {

inline constexpr std::string_view kStatusConverting = "Please wait.... Converting from Panchari";
inline constexpr std::string_view kStatusReady = "Ready";
inline constexpr std::string_view kStatusNotSaved = "Not saved: ";  // followed by the reason
inline constexpr std::string_view kMessageConverted = "Converted from Panchari!";
inline constexpr std::string_view kMessageNothingConverted =
    "No text in the PANCHARI font was found; the document was copied unchanged.";
inline constexpr std::string_view kPdfNeedsUnicodeHere =
    "a PDF can only be converted to Unicode text: choose Unicode Malayalam to convert to, and convert again";
// The same for Unicode output, which converts every legacy encoding: names them all; and
// for a legacy font, which takes Unicode Malayalam too (`unicodeToo`).
std::string nothingConvertedMessage(bool unicode, bool unicodeToo = false);
// Asked before a Unicode conversion of a document whose ordinary fonts hold words that
// read as a legacy encoding (`found`: "4,637 characters in Calibri read as ML-TT").
std::string foundTextQuestion(std::string_view found);

// The window's controls a pass switches off while it runs, in the order it does so.
enum class LockedControl {
    Timer1, CmdConvert, cmdQuit, Frame2, Frame1, txtInput, txtOutput, cmdOpen, cmdBrowse, cboConvertTo
};
inline constexpr std::array<LockedControl, 10> kLockOrder = {
    LockedControl::Timer1,  LockedControl::CmdConvert, LockedControl::cmdQuit,
    LockedControl::Frame2,  LockedControl::Frame1,     LockedControl::txtInput,
    LockedControl::txtOutput, LockedControl::cmdOpen,  LockedControl::cmdBrowse,
    LockedControl::cboConvertTo,
};

// What a pass needs of the window that runs it.
class PassHost {
public:
    virtual ~PassHost() = default;
    virtual void setControlEnabled(LockedControl control, bool enabled) = 0;
    virtual void setBusyCursor(bool busy) = 0;
    virtual void setStatus(std::string_view text) = 0;
    // Lets pending window events through. False when the program is ending: the pass
    // then stops at once and saves nothing.
    virtual bool processEvents() = 0;
    virtual std::filesystem::path outputPath() = 0;
    virtual void showMessage(std::string_view text) = 0;  // modal, information icon
    virtual void showError(std::string_view text) = 0;    // modal, a failure
    // A question answered yes or no (modal). A host that cannot ask answers no.
    virtual bool askYesNo(std::string_view question) {
        (void)question;
        return false;
    }
};

// A host without a window, for the command line and for tools: nothing to lock,
// show or let through; the output goes to a path fixed at the start.
class WindowlessHost : public PassHost {
public:
    explicit WindowlessHost(std::filesystem::path output) : output_(std::move(output)) {}
    void setControlEnabled(LockedControl, bool) override {}
    void setBusyCursor(bool) override {}
    void setStatus(std::string_view) override {}
    bool processEvents() override { return true; }
    std::filesystem::path outputPath() override { return output_; }
    void showMessage(std::string_view) override {}
    void showError(std::string_view) override {}

private:
    std::filesystem::path output_;
};

struct PassOutcome {
    enum class Status { Saved, SaveFailed, Abandoned };
    Status status = Status::Saved;
    LegacyCounts counts;  // what was converted, and kept as typed, by legacy font
    std::string error;    // for SaveFailed

    std::size_t converted() const { return counts.totalConverted(); }
    std::size_t kept() const { return counts.totalKept(); }
};

// What the pass makes of the source font's text.
struct PassOptions {
    bool unicode = false;     // Unicode Malayalam instead of ML-TTRevathi
    std::string unicodeFont;  // empty: the default Unicode Malayalam font
    // With Unicode: convert the words of ordinary fonts that read as a legacy encoding,
    // without asking. Otherwise the pass asks when the document holds any.
    bool detect = false;
    // A legacy font to write every Malayalam text in (Unicode's and every encoding's);
    // empty: ML-TTRevathi by the glyph rules, or Unicode.
    std::string toFont{};
    // ML-TTRevathi chosen from the window's list: a document with no PANCHARI text has
    // its Unicode Malayalam and other encodings' text written in ML-TTRevathi.
    bool revathiForAnyText = false;
};

// Fills `destination` with the converted form of `source`, through `working` (a copy
// of the source that the pass walks), then saves it at host.outputPath(). A source
// read from RTF is saved by rewriting its RTF, so that all its layout is kept.
PassOutcome runConversionPass(const Document& source, Document& working, Document& destination, PassHost& host,
                              const PassOptions& options = {});

}  // namespace tolvarin
