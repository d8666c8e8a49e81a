// What the scanner knows at each point of a document: what the group it is in holds,
// its formatting, and the fonts the font table defines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "fonts/legacy_font.h"
#include "rtf/rtf_tokenizer.h"
#include "rtf/rtf_vocabulary.h"

namespace tolvarin {

// Groups nested deeper than this are refused: real documents stay in the tens (the
// deepest file we have seen nests a few thousand), and the bound keeps a hostile
// file's state stack small.
inline constexpr std::size_t kMaxGroupDepth = 10000;

// What a group holds.
enum class RtfDestination : std::uint8_t {
    Text,       // characters of a text stream
    NonText,    // tables, pictures, field instructions, document data: never text
    FontTable,  // entries of the font table
    Container,  // a shape or a page style: no text of its own, but streams inside it
    Object,     // an embedded object: no text of its own but its result
};

// The character formatting that matters here: what a converted Malayalam run restates
// in its complex-script form, and what the window shows.
struct Format {
    bool bold = false, italic = false, underline = false;
    int size = 24;  // half-points

    friend bool operator==(const Format&, const Format&) = default;
};

// The complex-script bold, italic and size (\ab, \ai, \afs) that Unicode Malayalam shows,
// where the document says them: -1 and 0 stand for unsaid (a style's, which is not read).
struct ComplexFormat {
    std::int8_t bold = -1, italic = -1;
    int size = 0;

    friend bool operator==(const ComplexFormat&, const ComplexFormat&) = default;
};

struct RtfGroupState {
    RtfDestination destination = RtfDestination::Text;
    bool starred = false;  // the group opened with \*: an unknown destination is no body text
    int font = -1;         // the font number; -1 stands for \deff
    Format format;
    ComplexFormat complex;
    int unicodeSkip = 1;   // fallback characters after each \uN
    std::uint32_t stream = 0;  // the text stream the group's text belongs to
    // Inside a group that a reader of the body passes over: a header, a shape, an
    // unknown destination, \ud (which repeats the text or font table before it). Font
    // entries there define nothing: the body's fonts come from the font table a reader
    // takes.
    bool offBody = false;

    bool bodyText() const { return destination == RtfDestination::Text && !offBody; }
};

// A font-table entry, as its text is to be read.
struct ScannedFont {
    std::string name;  // UTF-8, decoded in the entry's charset
    int charset = 0;
    const LegacyFont* legacy = nullptr;
    bool source = false;           // its text is converted (the consumer's choice)
    // How its bytes read: a double-byte code page, or 0 and the upper half of a
    // single-byte one. A legacy font's text is its own 8-bit codes, whatever its charset.
    int doubleByte = 0;
    const char16_t* upperHalf = nullptr;
    bool symbol = false;  // symbol charset: \uF0xx stands for its code xx
};

// What a control word did to the group, beyond its state: nothing, its formatting
// changed, or it now holds a text stream of its own.
enum class GroupChange : std::uint8_t { None, Format, OwnStream };
// Applies a word that changes what the group holds (a destination, or an unknown word
// after \*) or how its text is formatted. `starred`: a \* right before it began the group.
GroupChange applyToGroup(RtfGroupState& state, RtfWord word, bool starred, const RtfToken& t);

}  // namespace tolvarin
