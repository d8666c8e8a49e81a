// Packages for the tests: zips made and read member by member, and DOCX documents
// written by hand in the forms Word writes.
#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"

namespace tolvarin::test {

using Members = std::vector<std::pair<std::string, std::string>>;

// A zip of the members, in order; "mimetype" is stored, the rest deflated.
std::string makeZip(const Members& members);
// Each member's compressed bytes, or its content unpacked, by name.
std::map<std::string, std::string> zipMembers(const std::string& bytes, bool compressed);

// PANCHARI codes as the Windows-1252 text a DOCX holds them in, UTF-8.
std::string typed(std::initializer_list<int> bytes);
// The same codes in Unicode Malayalam, UTF-8.
std::string unicodeOf(std::initializer_list<int> bytes);
// The package's text in Unicode Malayalam, a paragraph a line.
ConversionReport unicodeTextOf(std::string_view package, std::string& text);

extern const char* const kW;  // the namespaces a hand-written part declares
// A run of text in a font.
std::string run(const std::string& text, const std::string& font = "PANCHARI");

struct DocxCase {
    const char* name;
    std::string body;      // inside w:body
    std::string expected;  // the document's text in Unicode, a paragraph a line
    std::string styles = {}, theme = {}, comments = {};
};
std::string docx(const DocxCase& c);
// Hand-written documents, each with a place Word puts text.
const std::vector<DocxCase>& docxCases();

}  // namespace tolvarin::test
