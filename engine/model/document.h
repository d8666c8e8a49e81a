// The in-memory rich-text document every part of the program works on: plain text
// in UTF-16 with its formatting held as runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/characters.h"

namespace tolvarin {

// Font size in half-points, RTF's own unit; 24 is RTF's default of 12 pt.
inline constexpr int kDefaultFontSize = 24;

struct Font {
    std::string name;  // UTF-8
    int charset = kAnsiCharset;

    friend bool operator==(const Font&, const Font&) = default;
};

// The formatting of one character.
struct CharFormat {
    Font font;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int fontSize = kDefaultFontSize;

    friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

// A style as read at a position: a single character always reads as set or not
// set; Mixed exists for callers that ask about ranges and for caret models that
// have no character to read.
enum class Tristate : std::uint8_t { NotSet, Set, Mixed };

struct CharAttributes {
    std::string fontName;
    int charset = kAnsiCharset;
    Tristate bold = Tristate::NotSet;
    Tristate italic = Tristate::NotSet;
    Tristate underline = Tristate::NotSet;
    int fontSize = kDefaultFontSize;
};

// Outcome of a load: on failure, what went wrong and where.
struct LoadResult {
    bool ok = true;
    std::size_t offset = 0;   // byte offset in the input where reading stopped
    std::string description;  // for a person; empty on success

    explicit operator bool() const { return ok; }
    static LoadResult failure(std::size_t offset, std::string description) {
        return {false, offset, std::move(description)};
    }
};

struct SaveResult {
    bool ok = true;
    std::string description;  // names the path and the system's reason

    explicit operator bool() const { return ok; }
};

class Document {
public:
    // Index into fonts(); runs refer to fonts by it so a run stays a few bytes.
    using FontId = std::uint32_t;

    struct RunFormat {
        FontId font = 0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        int fontSize = kDefaultFontSize;

        friend bool operator==(const RunFormat&, const RunFormat&) = default;
    };

    struct Run {
        std::size_t start;  // 0-based index of the run's first character
        RunFormat format;
    };

    void clear();

    // Replace the document by an RTF file's or string's content. On failure the
    // document is left as it was. (Documents of every kind are loaded by loadDocument().)
    LoadResult loadFile(const std::filesystem::path& path);
    LoadResult setRtf(std::string_view rtf);
    // The bytes the document was read from (RTF, or a DOCX or ODT package, or the DOCX
    // LibreOffice made of a Word 97-2003 document), or nullptr when it was built
    // otherwise. Conversions rewrite these bytes, so that whatever this model does not
    // hold (tables, pictures, headers) is kept.
    const std::string* source() const { return source_.get(); }
    bool fromWordBinary() const { return fromWordBinary_; }
    // The document's text was read from `bytes`, which it keeps as its source.
    void setSource(std::string&& bytes, bool fromWordBinary) {
        source_ = std::make_shared<const std::string>(std::move(bytes));
        fromWordBinary_ = fromWordBinary;
    }

    std::string rtf() const;
    // Writes the whole document as RTF. An existing file is replaced only once the
    // new one is complete; a failed save leaves it as it was.
    SaveResult saveFile(const std::filesystem::path& path) const;

    const std::u16string& text() const { return text_; }
    std::size_t length() const { return text_.size(); }
    bool empty() const { return text_.empty(); }

    // Attributes of character `position`, 1-based (the character just before a
    // caret at offset `position`). Outside 1..length() every style reads Mixed
    // and the font is empty.
    CharAttributes attributesAt(std::size_t position) const;
    CharFormat formatAt(std::size_t position) const;

    // Append text set in the given format. Neighbouring text with the same format
    // joins one run, so appending character by character stays compact.
    void append(std::u16string_view text, const CharFormat& format);
    void append(std::u16string_view text, const RunFormat& format) {
        if (text.empty()) return;
        source_.reset();
        openRun(format);
        text_.append(text);
    }
    // Makes `format` the format of text appended next, for callers that then push
    // characters with appendToRun() one by one.
    void openRun(const RunFormat& format) {
        if (runs_.empty() || !(runs_.back().format == format)) runs_.push_back({text_.size(), format});
    }
    void appendToRun(char16_t c) { text_.push_back(c); }
    void reserve(std::size_t characters) { text_.reserve(characters); }
    void append(char16_t c, const RunFormat& format) {
        if (runs_.empty() || !(runs_.back().format == format)) runs_.push_back({text_.size(), format});
        text_.push_back(c);
    }

    FontId fontId(const Font& font);  // adds the font when it is new
    const std::vector<Font>& fonts() const { return fonts_; }
    const std::vector<Run>& runs() const { return runs_; }
    CharFormat expand(const RunFormat& format) const;

    // Index of the run that holds the character at 0-based `index`, found by
    // walking on from `hint` when the caller moves forward, else by bisection.
    std::size_t runIndexAt(std::size_t index, std::size_t hint = 0) const;

private:
    LoadResult adoptRtf(std::string&& rtf);

    std::u16string text_;
    std::vector<Run> runs_;
    std::vector<Font> fonts_;
    std::shared_ptr<const std::string> source_;  // shared: copies of a document are cheap
    bool fromWordBinary_ = false;
};

}  // namespace tolvarin
