// Without --to a conversion writes what it always wrote: every document at hand, to
// ML-TTRevathi and to Unicode, against the fingerprints an earlier build's outputs were
// recorded with (tests/data/default_outputs.tsv, tools/record_default_outputs.py).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "package_support.h"
#include "test_support.h"

using namespace tolvarin;
using namespace tolvarin::test;

namespace {

std::uint64_t fnv(std::string_view data, std::uint64_t h = 0xCBF29CE484222325ull) {
    for (const char c : data) h = (h ^ std::uint8_t(c)) * 0x100000001B3ull;
    return h;
}

// A package by its members' names and contents, whose deflated bytes may differ
// between builds; anything else by its bytes. (An output that is its input is said to
// be so, not fingerprinted.)
std::string fingerprint(const std::string& out) {
    std::uint64_t h = 0;
    if (out.rfind("PK\x03\x04", 0) == 0) {
        h = 0xCBF29CE484222325ull;
        for (const auto& [name, content] : zipMembers(out, false)) {
            h = fnv(name, h);
            h = fnv(std::string_view("\0", 1), h);
            h = fnv(content, h);
            h = fnv(std::string_view("\0", 1), h);
        }
    } else {
        h = fnv(out);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

std::filesystem::path placeOf(const std::string& prefix) {
    const std::filesystem::path shared = corpusDir().parent_path();
    if (prefix == "samples") return dataDir() / ".." / ".." / "samples";
    if (prefix == "data") return dataDir();
    if (prefix == "corpus") return corpusDir();
    if (prefix == "corpus-office" || prefix == "corpus-slides-sheets") return shared / prefix;
    return {};
}

}  // namespace

TEST(DefaultOutputs, WrittenAsAnEarlierBuildWroteThem) {
    std::ifstream table(dataDir() / "default_outputs.tsv");
    ASSERT_TRUE(table) << "tests/data/default_outputs.tsv";
    std::size_t ownChecked = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string document, mode, want;
        std::getline(fields, document, '\t');
        std::getline(fields, mode, '\t');
        std::getline(fields, want, '\t');
        const std::size_t slash = document.find('/');
        ASSERT_NE(slash, std::string::npos) << line;
        const std::string prefix = document.substr(0, slash);
        const std::filesystem::path path = placeOf(prefix) / std::filesystem::u8path(document.substr(slash + 1));
        if (!std::filesystem::exists(path)) {
            // The peer corpora are beside the project, not in it; the project's own
            // documents are always there.
            EXPECT_TRUE(prefix.rfind("corpus", 0) == 0) << document << " is missing";
            continue;
        }
        const std::string in = readFile(path);
        std::string out;
        const ConversionReport r = convert(in, out, unicodeOptions(mode == "unicode"));
        EXPECT_EQ(!r.ok ? "refused" : out == in ? "unchanged" : fingerprint(out), want) << document << " " << mode;
        ownChecked += prefix.rfind("corpus", 0) != 0;
    }
    EXPECT_GT(ownChecked, 10u);
}
