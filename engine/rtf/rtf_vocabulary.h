// The control words that mean something to Tolvarin, and what each means: one table
// for the reader of the window and for the converter, so that both take every group
// for the same thing.
#pragma once

#include <cstdint>
#include <string_view>

namespace tolvarin {

enum class RtfWord : std::uint8_t {
    Unknown,
    Rtf,
    Char,            // value: the character the word stands for
    FootnoteNumber,  // value: what the automatic footnote mark reads as
    Unicode,
    UnicodeSkip,
    Font,
    DefaultFont,
    Plain,
    AnsiCodePage,
    Ansi,
    Mac,
    Pc,
    Pca,
    FontCharset,
    Bold,
    Italic,
    UnderlineOn,
    UnderlineOff,
    FontSize,
    // The complex-script forms, which Unicode Malayalam shows: \ab, \ai, \afs.
    ComplexBold,
    ComplexItalic,
    ComplexSize,
    // Destinations: what the group they begin holds.
    FontTable,     // the font table's entries
    SameStream,    // text in the flow of the stream around it: a field result, a list label
    NewStream,     // text kept apart from the body: a header, a footnote, shape text, \ud
    Container,     // no text of its own, but streams inside it: a shape, a page style
    Object,        // an embedded object: no text of its own but its result
    ObjectResult,  // an object's result
    Data,          // tables, pictures, field instructions, names, document data: never text
};

struct RtfWordMeaning {
    RtfWord word = RtfWord::Unknown;
    char16_t value = 0;
};

// What `word` means; RtfWord::Unknown for a word outside the table.
RtfWordMeaning lookUpRtfWord(std::string_view word);

// The document's code page after one of its code-page words (\ansicpg, \mac, \pc,
// \pca) with `parameter`; `current` where the word names a code page not read here.
int documentCodePage(RtfWord word, int parameter, int current);

}  // namespace tolvarin
