#include "api/word_binary.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "io/file_io.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <process.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace tolvarin {
namespace {

constexpr const char* kMissing =
    "a Word 97-2003 document (.doc) is converted through LibreOffice, which is not installed; install it "
    "(on Debian: apt-get install libreoffice-writer-nogui; elsewhere from libreoffice.org) or save the "
    "document as .docx or .rtf in a word processor";
// LibreOffice starting for the first time in a fresh profile takes a while; a damaged
// file must not keep the converter waiting for ever.
constexpr auto kDeadline = std::chrono::minutes(3);

// Runs LibreOffice with `args`; returns its exit status, -1 when it cannot be started,
// -2 when it ran past the deadline (it is then stopped).
int runLibreOffice(const std::vector<std::string>& args) {
#ifdef _WIN32
    std::vector<std::wstring> wide;
    for (const std::string& a : args) wide.push_back(fs::u8path(a).wstring());
    std::vector<std::wstring> quoted;
    std::vector<const wchar_t*> argv;
    for (const std::wstring& w : wide) quoted.push_back(L"\"" + w + L"\"");
    for (const std::wstring& q : quoted) argv.push_back(q.c_str());
    argv.push_back(nullptr);
    const intptr_t status = _wspawnvp(_P_WAIT, L"soffice", argv.data());
    return status == -1 ? -1 : int(status);
#else
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Its chatter is not ours to print.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid, "soffice", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    const auto until = std::chrono::steady_clock::now() + kDeadline;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        if (done < 0) return 1;
        if (std::chrono::steady_clock::now() > until) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
#endif
}

std::string utf8(const std::u8string& s) { return std::string(s.begin(), s.end()); }

}  // namespace

std::string wordBinaryToDocx(std::string_view doc, std::string& docx) {
    std::error_code ec;
    std::random_device random;
    const fs::path dir = fs::temp_directory_path(ec) / ("tolvarin-" + std::to_string(random()));
    if (ec || !fs::create_directories(dir, ec)) return "cannot make a temporary folder for LibreOffice";
    struct Cleanup {
        fs::path dir;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    } cleanup{dir};
    const fs::path input = dir / "document.doc";
    if (std::string error = writeFileReplacing(input, doc); !error.empty()) return error;
    // A profile of its own: a LibreOffice the user has open would otherwise take the job and do nothing.
#ifdef _WIN32
    const std::string profile = "file:///" + utf8((dir / "profile").generic_u8string());
#else
    const std::string profile = "file://" + utf8((dir / "profile").generic_u8string());
#endif
    const int status = runLibreOffice({"soffice", "-env:UserInstallation=" + profile, "--headless", "--norestore",
                                       "--convert-to", "docx", "--outdir", utf8(dir.u8string()), utf8(input.u8string())});
    if (status == -1) return kMissing;
    if (status == -2) return "LibreOffice took longer than 3 minutes to read the Word 97-2003 document; it was stopped";
    const fs::path output = dir / "document.docx";
    if (status != 0 || !fs::exists(output, ec))
        return "LibreOffice could not read the Word 97-2003 document (it may be damaged or password-protected)";
    return readWholeFile(output, docx);
}

}  // namespace tolvarin
