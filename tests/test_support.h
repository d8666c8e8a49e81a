// Helpers shared by the engine tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "api/convert_document.h"
#include "model/document.h"
#include "text/codepage.h"

namespace tolvarin::test {

// A string of 8-bit codes as the document holds them (Windows-1252 Unicode).
inline std::u16string codes(std::initializer_list<int> bytes) {
    std::u16string s;
    for (int b : bytes) s.push_back(decodeCp1252(std::uint8_t(b)));
    return s;
}

inline std::u16string u16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline std::filesystem::path dataDir() { return TOLVARIN_TEST_DATA; }
inline std::filesystem::path corpusDir() { return TOLVARIN_CORPUS_DIR; }
// The peer corpus's RTF files (not the other projects' expected outputs beside them).
std::vector<std::filesystem::path> corpusFiles();

// A fresh, empty folder for one test, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);

// What the conversions are asked for: Unicode Malayalam in the default font, or
// ML-TTRevathi.
inline ConversionOptions unicodeOptions(bool unicode = true) {
    ConversionOptions options;
    options.unicode = unicode;
    return options;
}
// Written in the legacy font `font`, which must be one Tolvarin knows.
ConversionOptions toFont(const std::string& font);
// A document converted through the one entry point, into `out`.
inline ConversionReport convert(std::string_view input, std::string& out, const ConversionOptions& options = {}) {
    return convertDocument(input, options, intoString(out));
}
// A document's plain text with its legacy text in Unicode Malayalam, as the window's
// model reads it; what it converted and kept into `counts`, if given.
std::string unicodeText(const Document& doc, LegacyCounts* counts = nullptr);

// Runs a shell command; its exit status (-1 when it did not exit) and its standard
// output and standard error together.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runCommand(const std::string& command);
void writeFile(const std::filesystem::path& path, std::string_view data);

}  // namespace tolvarin::test
