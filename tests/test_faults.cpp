// Faults while saving and loading, through the command-line converter: whatever
// happens, the old output survives byte for byte, no temporary file stays behind,
// and the user reads the path and the reason.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "model/document.h"
#include "test_support.h"

using namespace tolvarin;

namespace {

using Outcome = test::CommandResult;
Outcome shell(const std::string& command) { return test::runCommand(command); }

std::string q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }
const std::string kConvert = TOLVARIN_CONVERT_EXE;

// Runs as an ordinary user: root writes through any permission.
std::string asNobody(const std::string& command) {
    return "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
}
bool canDropPrivileges() { return geteuid() == 0 && shell("command -v setpriv").status == 0; }

// No file of ours other than those named.
std::vector<std::string> leftovers(const std::filesystem::path& dir) {
    std::vector<std::string> found;
    for (auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().find(".tolvarin-") != std::string::npos) found.push_back(e.path().string());
    return found;
}

// A folder an ordinary user can reach, holding an input and an older output.
struct Scene {
    test::TempDir root;
    std::filesystem::path dir;
    std::filesystem::path input;
    std::filesystem::path output;
    std::string oldOutput = "{\\rtf1 the older output}";

    Scene() {
        std::filesystem::permissions(root.path(), std::filesystem::perms::all);
        dir = root.path() / "work";
        std::filesystem::create_directory(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::all);
        input = dir / "in.rtf";
        std::filesystem::copy(test::dataDir() / "wordpad_style.rtf", input);
        std::filesystem::permissions(input, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                                std::filesystem::perms::others_read);
        output = dir / "Converted_in.rtf";
        test::writeFile(output, oldOutput);
    }
};

std::string bigDocument(std::size_t bytes) {
    std::string s = "{\\rtf1{\\fonttbl{\\f0 PANCHARI;}}\\f0 ";
    const std::string chunk = "\\'b5\\'ef abc \\'cc\\'ee\\par\n";
    s.reserve(bytes + chunk.size() + 4);
    while (s.size() < bytes) s += chunk;
    s += "}";
    return s;
}

}  // namespace

TEST(SaveFaults, OldOutputSurvivesAndTheReasonIsShown) {
    if (!canDropPrivileges()) GTEST_SKIP() << "needs root and setpriv to act as an ordinary user";
    struct Case {
        const char* what;
        std::function<std::string(Scene&)> prepare;  // returns the command
        const char* reason;
    } cases[] = {
        {"read-only folder",
         [](Scene& s) {
             std::filesystem::permissions(s.dir, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                     std::filesystem::perms::group_exec |
                                                     std::filesystem::perms::others_read |
                                                     std::filesystem::perms::others_exec);
             return asNobody(kConvert + " " + q(s.input));
         },
         "Permission denied"},
        {"a file that cannot be replaced (another user's, in a sticky folder)",
         [](Scene& s) {
             ::chmod(s.dir.c_str(), 01777);
             return asNobody(kConvert + " " + q(s.input));
         },
         "Operation not permitted"},
        {"a write that fails part way (file size limit)",
         [](Scene& s) {
             test::writeFile(s.input, bigDocument(200 * 1024));
             return "bash -c " + std::string("\"ulimit -f 8; ") + kConvert + " " + q(s.input) + "\"";
         },
         "File too large"},
    };
    for (const Case& c : cases) {
        Scene s;
        Outcome r = shell(c.prepare(s));
        EXPECT_EQ(r.status, 1) << c.what << ": " << r.output;
        EXPECT_NE(r.output.find("tolvarin-convert: " + s.input.string() + ": cannot save " + s.output.string()),
                  std::string::npos)
            << c.what << ": " << r.output;
        EXPECT_NE(r.output.find(c.reason), std::string::npos) << c.what << ": " << r.output;
        EXPECT_EQ(test::readFile(s.output), s.oldOutput) << c.what;
        EXPECT_TRUE(leftovers(s.dir).empty()) << c.what;
    }
}

TEST(SaveFaults, MissingFolderAndFolderInTheWay) {
    Scene s;
    Outcome missing = shell(kConvert + " -o " + q(s.dir / "nowhere" / "Converted_in.rtf") + " " + q(s.input));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find((s.dir / "nowhere" / "Converted_in.rtf").string() + ": No such file or directory"),
              std::string::npos)
        << missing.output;
    // -d makes its folder, but not where a file stands in the way.
    test::writeFile(s.dir / "plain", "x");
    Outcome blocked = shell(kConvert + " -d " + q(s.dir / "plain" / "sub") + " " + q(s.input));
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.output.find("cannot make the folder"), std::string::npos) << blocked.output;

    std::filesystem::create_directory(s.dir / "folder.rtf");
    Outcome folder = shell(kConvert + " -o " + q(s.dir / "folder.rtf") + " " + q(s.input));
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.output.find("a folder of that name is in the way"), std::string::npos) << folder.output;
    EXPECT_TRUE(std::filesystem::is_empty(s.dir / "folder.rtf"));
    EXPECT_TRUE(leftovers(s.dir).empty());
}

TEST(SaveFaults, KilledDuringTheSaveLeavesOldOrNewWhole) {
    Scene s;
    test::writeFile(s.input, bigDocument(40 * 1024 * 1024));
    // The complete new output, to compare with.
    auto reference = s.dir / "reference.rtf";
    ASSERT_EQ(shell(kConvert + " -q -o " + q(reference) + " " + q(s.input)).status, 0);
    const std::string fresh = test::readFile(reference);
    std::filesystem::remove(reference);

    int sawOld = 0, sawNew = 0;
    for (int delayMs : {50, 150, 250, 350, 450, 600, 800, 1100}) {
        test::writeFile(s.output, s.oldOutput);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(kConvert.c_str(), kConvert.c_str(), "-q", s.input.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        std::string now = test::readFile(s.output);
        if (now == s.oldOutput) ++sawOld;
        else if (now == fresh) ++sawNew;
        else ADD_FAILURE() << "a mixture after " << delayMs << " ms: " << now.size() << " bytes";
        EXPECT_TRUE(leftovers(s.dir).empty()) << "after " << delayMs << " ms";
    }
    EXPECT_GT(sawOld, 0) << "no kill landed before the save finished";
    std::printf("killed converters: %d left the old output, %d the whole new one\n", sawOld, sawNew);
}

TEST(SaveFaults, TwoConvertersWritingOneOutput) {
    Scene s;
    auto a = s.dir / "a.rtf";
    auto b = s.dir / "b.rtf";
    test::writeFile(a, bigDocument(3 * 1024 * 1024));
    std::filesystem::copy(test::dataDir() / "libreoffice_style.rtf", b);
    auto out = s.dir / "shared.rtf";
    ASSERT_EQ(shell(kConvert + " -q -o " + q(s.dir / "ra.rtf") + " " + q(a)).status, 0);
    ASSERT_EQ(shell(kConvert + " -q -o " + q(s.dir / "rb.rtf") + " " + q(b)).status, 0);
    const std::string wholeA = test::readFile(s.dir / "ra.rtf"), wholeB = test::readFile(s.dir / "rb.rtf");
    for (int round = 0; round < 5; ++round) {
        Outcome both = shell("(" + kConvert + " -q -o " + q(out) + " " + q(a) + " & " + kConvert + " -q -o " + q(out) +
                             " " + q(b) + " & wait)");
        EXPECT_EQ(both.output, "");
        std::string result = test::readFile(out);
        EXPECT_TRUE(result == wholeA || result == wholeB) << "round " << round << ": a mixture of " << result.size();
        Document d;
        EXPECT_TRUE(d.loadFile(out).ok);
    }
    EXPECT_TRUE(leftovers(s.dir).empty());
}

TEST(LoadFaults, ClearErrorsNeverACrash) {
    Scene s;
    std::filesystem::create_directory(s.dir / "adir.rtf");
    test::writeFile(s.dir / "empty.rtf", "");
    std::string noise(64 * 1024, '\0');
    std::uint32_t x = 7;
    for (char& c : noise) c = char((x = x * 1664525u + 1013904223u) >> 24);
    test::writeFile(s.dir / "noise.rtf", noise);
    test::writeFile(s.dir / "rtfnoise.rtf", "{\\rtf1" + noise);
    struct {
        const char* file;
        const char* message;  // empty: it may load; only no crash
    } cases[] = {{"gone.rtf", "No such file or directory"},
                 {"adir.rtf", "it is a folder"},
                 {"empty.rtf", "empty file"},
                 {"noise.rtf", "not an RTF document"},
                 {"rtfnoise.rtf", ""}};
    for (auto c : cases) {
        Outcome r = shell(kConvert + " -q -d " + q(s.dir / "adir.rtf") + " " + q(s.dir / c.file));
        if (*c.message) {
            EXPECT_EQ(r.status, 1) << c.file << ": " << r.output;
            EXPECT_NE(r.output.find("tolvarin-convert: " + (s.dir / c.file).string() + ": "), std::string::npos)
                << r.output;
            EXPECT_NE(r.output.find(c.message), std::string::npos) << c.file << ": " << r.output;
        } else {
            EXPECT_TRUE(r.status == 0 || r.status == 1) << c.file << " crashed: " << r.output;
        }
    }
    if (canDropPrivileges()) {
        ::chmod(s.input.c_str(), 0600);
        Outcome r = shell(asNobody(kConvert + " " + q(s.input)));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.output.find("cannot open " + s.input.string() + ": Permission denied"), std::string::npos)
            << r.output;
    }
}

TEST(LoadFaults, TwoHundredMegabytesConvertInBoundedMemory) {
    Scene s;
    const std::size_t size = 200u * 1024 * 1024;
    test::writeFile(s.input, bigDocument(size));
    Outcome r = shell("/usr/bin/time -f 'peak %M' " + kConvert + " -q " + q(s.input));
    ASSERT_EQ(r.status, 0) << r.output;
    std::size_t at = r.output.find("peak ");
    ASSERT_NE(at, std::string::npos) << r.output;
    const double peakBytes = std::stod(r.output.substr(at + 5)) * 1024;
    std::printf("200 MB input: peak %.0f MB (%.2f x the file)\n", peakBytes / 1e6, peakBytes / double(size));
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(peakBytes, 4.0 * double(size)) << "memory must stay in proportion to the file";
#endif
    EXPECT_GT(std::filesystem::file_size(s.output), size / 2);
}
