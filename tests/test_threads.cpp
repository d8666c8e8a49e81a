// Work done side by side on threads comes out as the same work done on one: where a
// thread cannot be started (the system refuses one, or the host has none), every
// conversion succeeds on the calling thread, byte for byte as it would with threads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../bench/sample_document.h"
#include "io/threads.h"
#include "office/zip_package.h"
#include "package_support.h"

using namespace tolvarin;
using namespace tolvarin::test;

namespace {

// Thread starts fail while one stands.
struct RefusedThreads {
    RefusedThreads() { failThreadStarts(true); }
    ~RefusedThreads() { failThreadStarts(false); }
};

// The documents the suite converts, in every format, long enough that the work is split.
std::vector<std::pair<std::string, std::string>> documents() {
    std::vector<std::pair<std::string, std::string>> docs;
    for (const char* name : {"word_style.rtf", "libreoffice_style.rtf", "prose_lo.rtf", "office/letter.docx",
                             "office/letter.odt"})
        docs.emplace_back(name, readFile(dataDir() / name));
    docs.emplace_back("a 3 MB book with footnotes", bench::makePanchariDocument(std::size_t(3) << 20));
    std::string body;
    while (body.size() < (std::size_t(5) << 20))
        for (const DocxCase& c : docxCases()) body += c.body;
    const auto& cases = docxCases();
    docs.emplace_back("a 5 MB DOCX of every case", docx({"all", body, {}, cases[1].styles, cases[2].theme, cases[7].comments}));
    return docs;
}

}  // namespace

TEST(Threads, RefusedThreadsConvertTheSame) {
    ContainedEnvironment contained;
    for (const auto& [name, bytes] : documents()) {
        SCOPED_TRACE(name);
        for (bool unicode : {false, true}) {
            SCOPED_TRACE(unicode ? "Unicode" : "ML-TTRevathi");
            ConversionOptions options = unicodeOptions(unicode);
            options.halvesFrom = 0;  // every part that can be read in halves is
            std::string threaded, refused, none;
            const ConversionReport a = convert(bytes, threaded, options);
            ConversionReport b;
            {
                const RefusedThreads refusing;
                b = convert(bytes, refused, options);
            }
            const ConversionReport c = convertDocument(bytes, options, intoString(none), contained);
            ASSERT_TRUE(a.ok) << a.error;
            ASSERT_TRUE(b.ok) << b.error;
            ASSERT_TRUE(c.ok) << c.error;
            EXPECT_GT(a.converted(), 0u);
            EXPECT_EQ(b.counts.converted, a.counts.converted);
            EXPECT_EQ(c.counts.kept, a.counts.kept);
            EXPECT_TRUE(refused == threaded) << "refused threads change the output";
            EXPECT_TRUE(none == threaded) << "a host without threads changes the output";
        }
    }
}

// A splice's text, and whatever else a part's new content is made from, may go as soon
// as ZipPackage::replace() returns: the content is made, and deflated, by then. (Under
// AddressSanitizer a piece read later would be a use after free.)
TEST(Threads, ReplacedContentIsTakenBeforeReplaceReturns) {
    const std::string zip = makeZip({{"a.xml", "<a/>"}, {"b.xml", "<b/>"}});
    for (std::size_t size : {std::size_t(100), std::size_t(3) << 20}) {
        for (bool refused : {false, true}) {
            SCOPED_TRACE(std::to_string(size) + (refused ? " bytes, threads refused" : " bytes"));
            if (refused) failThreadStarts(true);
            ZipPackage package;
            ASSERT_EQ(package.open(zip), "");
            auto first = std::make_unique<std::string>(size, 'x'), second = std::make_unique<std::string>(size, 'y');
            const std::string expected = *first + *second;
            package.replace("a.xml", {{size, [&](ByteSink& sink) { sink.write(*first); }},
                                      {size, [&](ByteSink& sink) { sink.write(*second); }}});
            first.reset();
            second.reset();
            std::string out;
            ASSERT_EQ(package.save(out), "");
            failThreadStarts(false);
            const auto members = zipMembers(out, false);
            EXPECT_TRUE(members.at("a.xml") == expected);
            EXPECT_EQ(members.at("b.xml"), "<b/>");
        }
    }
}
