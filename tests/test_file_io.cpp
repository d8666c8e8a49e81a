// Files as users name and keep them, on Linux and on Windows alike.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "api/convert_document.h"
#include "model/document.h"
#include "io/file_io.h"
#include "test_support.h"

using namespace tolvarin;
namespace fs = std::filesystem;

namespace {

// The names in a folder, also where its path is too long for the library's own listing.
std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((longPath(dir) / L"*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(displayPath(fs::path(name)));
    } while (FindNextFileW(h, &found));
    FindClose(h);
#else
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(displayPath(e.path().filename()));
#endif
    return names;
}

}  // namespace

// A Malayalam file name, and a folder whose path is longer than Windows' old 260
// characters: the letter converts into both and reads back.
TEST(Files, NonAsciiNamesAndLongPaths) {
    test::TempDir dir;
    const std::string letter = test::readFile(test::dataDir() / ".." / ".." / "samples" / "letter.rtf");
    ASSERT_FALSE(letter.empty());
    const fs::path deep = dir.path() / std::string(90, 'a') / std::string(90, 'b') / std::string(90, 'c');
    ASSERT_GT(deep.native().size(), 270u);
    fs::create_directories(longPath(deep));
    for (const fs::path& folder : {dir.path(), deep}) {
        const fs::path in = folder / fs::path(u8"\u0D15\u0D24\u0D4D\u0D24\u0D4D.rtf");
        ASSERT_TRUE(writeFileReplacing(in, letter).empty()) << displayPath(in);
        const fs::path out = folder / fs::path(u8"Converted_\u0D15\u0D24\u0D4D\u0D24\u0D4D.rtf");
        InputFile source;
        ASSERT_EQ(source.open(in), "");
        const ConversionReport converted = convertDocument(source.bytes(), {}, intoFile(out));
        ASSERT_TRUE(converted.ok) << converted.error;
        EXPECT_GT(converted.converted(), 100u);
        Document back;
        ASSERT_TRUE(back.loadFile(out).ok) << displayPath(out);
        EXPECT_EQ(back.formatAt(1).font.name, "ML-TTRevathi");
        // Saving over it again replaces it whole, and leaves no temporary file.
        ASSERT_EQ(writeFileReplacing(out, "{\\rtf1 again}"), "");
        EXPECT_EQ(test::readFile(longPath(out)), "{\\rtf1 again}");
        EXPECT_EQ(entries(folder).size(), folder == deep ? 2u : 3u) << ::testing::PrintToString(entries(folder));
    }
}

// A file of many megabytes is flushed to disk while it is still being written: it is
// saved whole, in order, and a producer that fails late, or runs out of memory, leaves
// nothing behind.
TEST(Files, LargeContentIsSavedWhole) {
    test::TempDir dir;
    const fs::path out = dir.path() / "large.rtf";
    std::string expected;
    auto produce = [&expected](std::size_t pieces, const char* error) {
        return [&expected, pieces, error](const std::function<void(std::string_view)>& write) {
            expected.clear();
            for (std::size_t k = 0; k < pieces; ++k) {
                const std::string piece(std::size_t(1) << 16, char('a' + k % 26));
                write(piece);
                expected += piece;
            }
            return std::string(error);
        };
    };
    ASSERT_EQ(writeFileReplacing(out, produce(200, "")), "");
    EXPECT_TRUE(test::readFile(out) == expected) << "the saved file differs from what was written";
    const std::string saved = expected;
    EXPECT_EQ(writeFileReplacing(out, produce(150, "the document ends too soon")), "the document ends too soon");
    EXPECT_TRUE(test::readFile(out) == saved) << "a failed save changed the file";
    const std::string noMemory = writeFileReplacing(out, [](const std::function<void(std::string_view)>& write) {
        write(std::string(std::size_t(1) << 20, 'x'));
        throw std::bad_alloc();
        return std::string();
    });
    EXPECT_NE(noMemory.find("not enough memory"), std::string::npos) << noMemory;
    EXPECT_TRUE(test::readFile(out) == saved) << "running out of memory changed the file";
    EXPECT_EQ(entries(dir.path()).size(), 1u) << ::testing::PrintToString(entries(dir.path()));
}

#ifdef _WIN32
// A word processor keeps the file it shows open: saving over it fails with a clear
// reason, and the old file and its folder stay as they were.
TEST(Files, OutputHeldOpenByAnotherProgramStaysAsItWas) {
    test::TempDir dir;
    const fs::path target = dir.path() / "Converted_letter.rtf";
    test::writeFile(target, "old");
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string error = writeFileReplacing(target, "new");
    CloseHandle(held);
    EXPECT_NE(error.find("open in another program"), std::string::npos) << error;
    EXPECT_NE(error.find("Converted_letter.rtf"), std::string::npos) << error;
    EXPECT_EQ(test::readFile(target), "old");
    EXPECT_EQ(entries(dir.path()).size(), 1u) << "no temporary file left";
}
#endif
