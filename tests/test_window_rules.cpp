// What both windows take from the shared rules: the layout they place their controls
// by, the enabling rule, the output file's name, and what a second start hands over.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"
#include "window_cases.h"
#include "output_path.h"
#include "window_rules.h"

using namespace tolvarin;

TEST(WindowRules, LayoutInPixelsIsTheSharedTable) {
    // Both windows place by kLayout; the Qt tests and the Wine session check the table.
    const char* names[] = {"Frame1", "txtInput", "cmdOpen", "Frame2", "txtOutput", "cmdBrowse",
                           "lblConvertTo", "cboConvertTo", "CmdConvert", "cmdQuit", "cmdText", "lblStatus", "Label2"};
    std::size_t checked = 0;
    for (const test::LayoutRow& row : test::windowLayout()) {
        std::size_t i = 0;
        while (i < std::size(names) && row.control != names[i]) ++i;
        ASSERT_LT(i, std::size(names)) << row.control;
        const Placement& p = placementOf(Control(i));
        int left = p.left, top = p.top;
        if (p.frame) left += placementOf(*p.frame).left, top += placementOf(*p.frame).top;
        EXPECT_EQ(twipsToPixels(left), row.x) << row.control;
        EXPECT_EQ(twipsToPixels(top), row.y) << row.control;
        EXPECT_EQ(twipsToPixels(p.width), row.width) << row.control;
        EXPECT_EQ(twipsToPixels(p.height), row.height) << row.control;
        ++checked;
    }
    EXPECT_EQ(checked, 12u);
    EXPECT_EQ(twipsToPixels(kClientWidth), 345);
    EXPECT_EQ(twipsToPixels(kClientHeight), 177);
    EXPECT_EQ(twipsToPixels(kClientWidth, 144), 518) << "at 150%";
}

TEST(WindowRules, EnablingRule) {
    for (const test::EnablingCase& c : test::kEnablingCases) {
        const std::string in(c.input), out(c.output);
        const EnabledStates s = enablingRule(std::u16string(in.begin(), in.end()), std::u16string(out.begin(), out.end()));
        EXPECT_EQ(s.convert, c.convert) << c.input << "|" << c.output;
        EXPECT_EQ(s.outputRow, c.outputRow) << c.input << "|" << c.output;
    }
    // Lengths count UTF-16 units: one Malayalam letter is one character.
    EXPECT_FALSE(enablingRule(u"ക", u"ab").outputRow);
    EXPECT_TRUE(enablingRule(u"കബ", u"ab").convert);
}

TEST(WindowRules, OutputFileSaysWhatIsWritten) {
    const std::string rtf = "{\\rtf1 x}";
    const std::u16string sep(1, kPathSeparator);
    const std::u16string folder = u"out";
    struct {
        const char16_t* input;
        const std::string* bytes;
        std::u16string expected;
    } cases[] = {
        {u"letter.rtf", &rtf, folder + sep + u"Converted_letter.rtf"},
        {u"letter.docx", &rtf, folder + sep + u"Converted_letter.rtf"},  // RTF under another name
        {u"letter.doc", nullptr, folder + sep + u"Converted_letter.doc"},  // bytes not known: the name as it is
    };
    for (const auto& c : cases) EXPECT_EQ(outputFileFor(c.input, folder, c.bytes), c.expected);
}

TEST(WindowRules, SecondStartHandsOverOnlyAnExistingFile) {
    test::TempDir temp;
    const std::filesystem::path& dir = temp.path();
    std::ofstream(dir / "letter.rtf") << "{\\rtf1 x}";
    std::filesystem::create_directory(dir / "folder");
    // A relative path is the second start's: made absolute in its working folder.
    const auto relative = fileToHandOver("letter.rtf", dir);
    ASSERT_TRUE(relative.has_value());
    EXPECT_TRUE(relative->is_absolute());
    EXPECT_EQ(*relative, (dir / "letter.rtf").lexically_normal());
    EXPECT_TRUE(fileToHandOver(dir / "folder" / ".." / "letter.rtf", dir / "folder").has_value());
    EXPECT_FALSE(fileToHandOver("missing.rtf", dir).has_value());
    EXPECT_FALSE(fileToHandOver("folder", dir).has_value()) << "a folder is no document";
    EXPECT_FALSE(fileToHandOver("", dir).has_value());
    // At start a missing file is still opened, to be told why it cannot be.
    EXPECT_EQ(fileToOpenAtStart("letter.rtf", dir), (dir / "letter.rtf").lexically_normal());
    EXPECT_EQ(fileToOpenAtStart("missing.rtf", dir), (dir / "missing.rtf").lexically_normal());
    // What the running copy receives is checked again.
    EXPECT_TRUE(acceptHandedFile(dir / "letter.rtf"));
    EXPECT_FALSE(acceptHandedFile("letter.rtf")) << "relative";
    EXPECT_FALSE(acceptHandedFile(dir / "missing.rtf"));
    EXPECT_FALSE(acceptHandedFile(dir / "folder"));
}
