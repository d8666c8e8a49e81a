// What the interoperability tests share: LibreOffice run as a converter, and a
// document with a layout whose every word is typed in PANCHARI.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvarin::interop {

namespace fs = std::filesystem;

int run(const std::string& command, std::string* output = nullptr);
// A path quoted for the shell.
std::string q(const fs::path& p);

// One soffice run converts every file given, so the suite starts LibreOffice a few
// times only.
class Office {
public:
    Office() { fs::create_directories(profile_.path()); }

    static bool available() { return run("command -v soffice") == 0; }

    // Converts `files` to `filter` (e.g. "rtf" or "txt:Text (encoded):UTF8") into `outdir`.
    // A file that stops LibreOffice stops the rest of its batch too; the rest is then
    // tried again without it, and the file has no output.
    void convert(const std::vector<fs::path>& files, const std::string& filter, const fs::path& outdir) {
        fs::create_directories(outdir);
        const std::string extension = "." + filter.substr(0, filter.find(':'));
        std::vector<fs::path> pending = files;
        while (!pending.empty()) {
            std::string cmd = "timeout 900 soffice -env:UserInstallation=file://" + profile_.path().string() +
                              " --headless --norestore --convert-to " + q(filter) + " --outdir " + q(outdir);
            for (const fs::path& f : pending) cmd += " " + q(f);
            std::string out;
            run(cmd, &out);
            std::vector<fs::path> missing;
            for (const fs::path& f : pending)
                if (!fs::exists(outdir / fs::path(f.filename()).replace_extension(extension))) missing.push_back(f);
            if (missing.size() == pending.size()) missing.erase(missing.begin());
            pending = std::move(missing);
        }
    }

private:
    test::TempDir profile_;
};

class Interop : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Office::available()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    Office office;
};

// Words typed in PANCHARI, one for each place a layout can put text, with what the
// rules make of them (codes chosen to need no XML escaping either way).
struct PlacedWord {
    const char* place;
    std::string typed;
    std::vector<int> converted;
};
const std::vector<PlacedWord>& placedWords();
std::string utf8Of(const std::vector<int>& codes);
extern const char* const kPngHex;

// A flat ODT with a centred red heading, a table, a bulleted list, a header, a footer,
// a footnote and a picture, every word in PANCHARI.
void writeLayoutOdt(const fs::path& file);
// What LibreOffice read, as its own flat XML, counted by the elements a layout is made of.
std::map<std::string, int> layoutCounts(const std::string& fodt);
// Each placed word reads as converted in LibreOffice's reading `fodt`.
void expectEveryWordConverted(const std::string& fodt, bool unicode, const std::string& name);

// LibreOffice's reading of each output beside its input's: the outputs come two for
// each input, ML-TTRevathi then Unicode.
struct Reading {
    fs::path name;
    std::string before, after;
    bool unicode;
};
std::vector<Reading> readBack(Office& office, const fs::path& dir, const std::vector<fs::path>& inputs,
                              const std::vector<fs::path>& outputs);

}  // namespace tolvarin::interop
