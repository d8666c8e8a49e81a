// What kind of document a file's bytes hold, told by their content, never by a name.
#pragma once

#include <string_view>

namespace tolvarin {

enum class DocumentKind {
    Rtf,         // anything else is read as RTF, which says what is wrong with it
    Package,     // a zip archive: DOCX or ODT, told apart by its members
    WordBinary,  // a Word 97-2003 document (.doc)
    Encrypted,   // a password-protected Office document
    Empty,       // no bytes at all
    WordLock,    // Word's lock file (~$name.docx) beside a document open in Word
    Pdf,         // a PDF, whose text converts to Unicode text
};
DocumentKind documentKind(std::string_view bytes);

// What is said of an empty file, and of Word's lock file, which a batch passes over.
inline constexpr std::string_view kEmptyFile = "empty file";
inline constexpr std::string_view kWordLockFile =
    "Word's lock file of a document open in Word (named ~$ and the document's name), not a document; passed over";

// What is said of a PDF to be converted to anything but Unicode text.
inline constexpr std::string_view kPdfNeedsUnicode = "a PDF can only be converted to Unicode text: add --unicode";

// What is said of a document that needs a password to be read.
inline constexpr std::string_view kPasswordProtected =
    "the document is password-protected; remove the password in the word processor and try again";

}  // namespace tolvarin
