#include <gtest/gtest.h>

#include "output_path.h"

using namespace tolvarin;

namespace {

struct PathCase {
    const char* what;
    std::u16string input;
    std::u16string folder;
    char16_t separator;
    std::u16string expected;
};
void PrintTo(const PathCase& c, std::ostream* os) { *os << c.what; }

class DerivePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(DerivePath, Derives) {
    const PathCase& c = GetParam();
    EXPECT_EQ(DeriveOutputFilename(c.input, c.folder, c.separator), c.expected) << c.what;
}

// Every Windows case holds on Linux with '/' in place of '\'.
std::vector<PathCase> bothSeparators(std::vector<PathCase> windows) {
    std::vector<PathCase> all = windows;
    for (PathCase c : windows) {
        for (auto* s : {&c.input, &c.folder, &c.expected})
            for (char16_t& ch : *s)
                if (ch == u'\\') ch = u'/';
        c.separator = u'/';
        all.push_back(c);
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DerivePath,
    ::testing::ValuesIn(bothSeparators({
        {"folder of the input", u"C:\\Docs\\letter.rtf", u"C:\\Docs\\", u'\\', u"C:\\Docs\\Converted_letter.rtf"},
        {"root of a drive", u"D:\\a.rtf", u"D:\\", u'\\', u"D:\\Converted_a.rtf"},
        {"input without separator", u"x.rtf", u"C:\\Out", u'\\', u"C:\\Out\\Converted_x.rtf"},
        {"empty folder", u"x.rtf", u"", u'\\', u"\\Converted_x.rtf"},
        {"empty input", u"", u"C:\\Out\\", u'\\', u"C:\\Out\\Converted_"},
        {"both empty", u"", u"", u'\\', u"\\Converted_"},
        {"chosen folder", u"C:\\Docs\\letter.rtf", u"D:\\Out", u'\\', u"D:\\Out\\Converted_letter.rtf"},
        {"three separators become two", u"a.rtf", u"C:\\Out\\\\", u'\\', u"C:\\Out\\\\Converted_a.rtf"},
        {"four separators become two", u"a.rtf", u"C:\\Out\\\\\\", u'\\', u"C:\\Out\\\\Converted_a.rtf"},
        {"pairs inside the folder", u"a.rtf", u"C:\\\\Out", u'\\', u"C:\\Out\\Converted_a.rtf"},
        {"network share keeps its pair", u"\\\\srv\\share\\a.rtf", u"\\\\srv\\share\\", u'\\',
         u"\\\\srv\\share\\Converted_a.rtf"},
        {"share root", u"\\\\srv\\a.rtf", u"\\\\srv", u'\\', u"\\\\srv\\Converted_a.rtf"},
    })));

TEST(DerivePath, NameIsCutTo500Characters) {
    std::u16string longName(600, u'n');
    std::u16string out = DeriveOutputFilename(u"C:\\d\\" + longName, u"C:\\d\\", u'\\');
    EXPECT_EQ(out, u"C:\\d\\Converted_" + std::u16string(500, u'n'));
    std::u16string exact(500, u'x');
    EXPECT_EQ(DeriveOutputFilename(exact, u"/o", u'/'), u"/o/Converted_" + exact);
}

TEST(FolderOf, KeepsTheFinalSeparator) {
    EXPECT_EQ(FolderOf(u"C:\\Docs\\letter.rtf", u'\\'), u"C:\\Docs\\");
    EXPECT_EQ(FolderOf(u"/home/u/a.rtf", u'/'), u"/home/u/");
    EXPECT_EQ(FolderOf(u"a.rtf", u'/'), u"");
    EXPECT_EQ(FolderOf(u"/a.rtf", u'/'), u"/");
}

}  // namespace
