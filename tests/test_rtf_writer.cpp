#include <gtest/gtest.h>

#include <fstream>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "model/document.h"
#include "io/file_io.h"
#include "test_support.h"

using namespace tolvarin;
using tolvarin::test::codes;

namespace {

// Same characters and, character by character, the same font, styles and size.
void expectSameContent(const Document& a, const Document& b, const std::string& what) {
    ASSERT_EQ(a.text(), b.text()) << what;
    std::size_t ra = 0, rb = 0;
    for (std::size_t i = 0; i < a.length(); ++i) {
        ra = a.runIndexAt(i, ra);
        rb = b.runIndexAt(i, rb);
        CharFormat fa = a.expand(a.runs()[ra].format);
        CharFormat fb = b.expand(b.runs()[rb].format);
        ASSERT_EQ(fa, fb) << what << " at character " << i + 1;
    }
}

Document roundTrip(const Document& d) {
    Document again;
    LoadResult r = again.setRtf(d.rtf());
    EXPECT_TRUE(r.ok) << r.description;
    return again;
}

}  // namespace

TEST(Writer, RoundTripsEveryKindOfCharacter) {
    Document d;
    CharFormat pan{Font{"PANCHARI", kAnsiCharset}, false, false, false, 24};
    CharFormat sym{Font{"Symbolic", kSymbolCharset}, true, false, true, 36};
    CharFormat cyr{Font{"Cyr Font", 204}, false, true, false, 20};
    std::u16string all8;
    for (int b = 1; b < 256; ++b) all8.push_back(decodeCp1252(std::uint8_t(b)));
    d.append(all8, pan);
    d.append(all8, sym);
    d.append(u"\u0430\u0431 {\\} \U0001F600 \uFFFD \u0080", cyr);
    d.append(u"tab\tline\vpar\n", pan);
    expectSameContent(d, roundTrip(d), "mixed document");
}

TEST(Writer, BackslashIsTextNeverMarkup) {
    Document d;
    d.append(u"Xv\\par\\b", CharFormat{Font{"ML-TTRevathi", 0}});
    std::string rtf = d.rtf();
    EXPECT_NE(rtf.find("Xv\\\\par\\\\b"), std::string::npos) << rtf;
    EXPECT_EQ(roundTrip(d).text(), u"Xv\\par\\b");
}

TEST(Writer, HeaderAndFontTable) {
    Document d;
    d.append(u"a", CharFormat{Font{"PANCHARI", kSymbolCharset}});
    d.append(u"b", CharFormat{Font{"Arial", kAnsiCharset}});
    std::string rtf = d.rtf();
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("\\fcharset2 PANCHARI;"), std::string::npos);
    EXPECT_NE(rtf.find("\\fcharset0 Arial;"), std::string::npos);
    // 8-bit fonts write their codes as \'hh.
    Document eight;
    eight.append(codes({0xCC, 0x91}), CharFormat{Font{"PANCHARI", 0}});
    EXPECT_NE(eight.rtf().find("\\'cc\\'91"), std::string::npos);
}

TEST(Writer, EmptyDocumentRoundTrips) {
    Document d;
    Document again = roundTrip(d);
    EXPECT_TRUE(again.empty());
}

TEST(Writer, RoundTripsTestData) {
    for (auto& entry : std::filesystem::directory_iterator(test::dataDir())) {
        const std::filesystem::path& file = entry.path();
        if (file.extension() != ".rtf") continue;
        Document d;
        LoadResult r = d.loadFile(file);
        ASSERT_TRUE(r.ok) << file << ": " << r.description;
        expectSameContent(d, roundTrip(d), file.string());
    }
}

TEST(Writer, CorpusLoadsOrIsRefusedAndRoundTrips) {
    if (!std::filesystem::is_directory(test::corpusDir())) GTEST_SKIP() << "no peer corpus beside the project";
    int loaded = 0, refused = 0;
    for (const std::filesystem::path& file : test::corpusFiles()) {
        Document d;
        LoadResult r = d.loadFile(file);
        if (!r.ok) {
            // Only files that are not RTF are refused; unmatched braces are read past.
            ++refused;
            EXPECT_EQ(r.description, "not an RTF document") << file;
            continue;
        }
        ++loaded;
        expectSameContent(d, roundTrip(d), file.string());
    }
    EXPECT_EQ(loaded + refused, 333);
    EXPECT_GE(loaded, 328);
    RecordProperty("loaded", loaded);
}

TEST(Saving, ReplacesOnlyWhenComplete) {
    test::TempDir dir;
    auto target = dir.path() / "out.rtf";
    test::writeFile(target, "old content");
    Document d;
    d.append(u"new", CharFormat{});
    ASSERT_TRUE(d.saveFile(target).ok);
    Document back;
    ASSERT_TRUE(back.loadFile(target).ok);
    EXPECT_EQ(back.text(), u"new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file left";
}

TEST(Saving, FailuresNameThePathAndKeepTheOldFile) {
    test::TempDir dir;
    Document d;
    d.append(u"x", CharFormat{});

    SaveResult missing = d.saveFile(dir.path() / "no-such-folder" / "out.rtf");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.description.find("no-such-folder"), std::string::npos) << missing.description;
    EXPECT_EQ(missing.description.rfind("cannot save ", 0), 0u) << missing.description;

    std::filesystem::create_directory(dir.path() / "folder.rtf");
    SaveResult folder = d.saveFile(dir.path() / "folder.rtf");
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.description.find("folder"), std::string::npos);

    SaveResult empty = d.saveFile("");
    EXPECT_FALSE(empty.ok);

#ifndef _WIN32
    if (geteuid() != 0) {  // root writes anywhere; permissions cannot fail it
        auto ro = dir.path() / "ro";
        std::filesystem::create_directory(ro);
        test::writeFile(ro / "out.rtf", "old");
        std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        SaveResult denied = d.saveFile(ro / "out.rtf");
        EXPECT_FALSE(denied.ok);
        EXPECT_NE(denied.description.find("Permission denied"), std::string::npos) << denied.description;
        EXPECT_EQ(test::readFile(ro / "out.rtf"), "old");
    }
#endif
}

TEST(Loading, FailuresNameTheFile) {
    test::TempDir dir;
    Document d;
    LoadResult missing = d.loadFile(dir.path() / "gone.rtf");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.description.find("gone.rtf"), std::string::npos);
    LoadResult folder = d.loadFile(dir.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.description.find("folder"), std::string::npos);
    test::writeFile(dir.path() / "empty.rtf", "");
    LoadResult empty = d.loadFile(dir.path() / "empty.rtf");
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.description, "not an RTF document");
}
