#include "test_support.h"

#include <gtest/gtest.h>

#include "io/file_io.h"
#include "model/document_text.h"

#include <cstdio>
#include <fstream>
#include <random>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <sstream>

namespace tolvarin::test {

ConversionOptions toFont(const std::string& font) {
    ConversionOptions options;
    std::string error;
    EXPECT_TRUE(legacyTargetCalled(font, options, error)) << error;
    return options;
}

std::string unicodeText(const Document& doc, LegacyCounts* counts) {
    LegacyCounts mine;
    return documentUnicodeText(doc, counts ? *counts : mine);
}

TempDir::TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("tolvarin-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders; give write access back before removing.
    const std::filesystem::path root = longPath(path_);
    for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    ec.clear();
    std::filesystem::permissions(root, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(root, ec);
}

std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::is_directory(corpusDir())) return files;  // a clone without the peers beside it
    for (auto& entry : std::filesystem::recursive_directory_iterator(corpusDir()))
        if (entry.path().extension() == ".rtf" && entry.path().string().find("/expected/") == std::string::npos)
            files.push_back(entry.path());
    return files;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

#ifndef _WIN32
CommandResult runCommand(const std::string& command) {
    CommandResult r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}
#endif

void writeFile(const std::filesystem::path& path, std::string_view data) {
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), std::streamsize(data.size()));
}

}  // namespace tolvarin::test
