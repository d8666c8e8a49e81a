#include "api/word_binary.h"

#include <algorithm>
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
#include <windows.h>
#elif !defined(__EMSCRIPTEN__)
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
// LibreOffice starting for the first time in a fresh profile takes a while, and each
// document some more; a damaged file must not keep the converter waiting for ever.
constexpr auto kDeadline = std::chrono::minutes(3);
constexpr auto kDeadlineEach = std::chrono::seconds(30);

// Runs LibreOffice with `args`; returns its exit status, -1 when it cannot be started,
// -2 when it ran past the deadline (it is then stopped, with all it started).
int runLibreOffice(const std::vector<std::string>& args, std::chrono::steady_clock::duration deadline) {
#ifdef __EMSCRIPTEN__
    // No other program can be started here (WebAssembly).
    (void)args;
    (void)deadline;
    return -1;
#else
    const auto until = std::chrono::steady_clock::now() + deadline;
#ifdef _WIN32
    std::wstring line;
    for (const std::string& a : args) {
        if (!line.empty()) line += L' ';
        line += L"\"" + fs::u8path(a).wstring() + L"\"";
    }
    // A job that ends everything in it when its handle closes: LibreOffice's launcher
    // starts the program proper as a process of its own.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return -1;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi)) {
        CloseHandle(job);
        return -1;
    }
    AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    const DWORD waited = WaitForSingleObject(pi.hProcess, DWORD(std::max<long long>(0, left.count())));
    DWORD status = 1;
    if (waited == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hProcess);
    CloseHandle(job);  // ends whatever is still running
    return waited == WAIT_OBJECT_0 ? int(status) : -2;
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
    // A process group of its own: at the deadline the launcher and the program it starts
    // are ended together.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    const int spawned = posix_spawnp(&pid, "soffice", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        if (done < 0) return 1;
        if (std::chrono::steady_clock::now() > until) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
#endif
#endif
}

std::string utf8(const std::u8string& s) { return std::string(s.begin(), s.end()); }

std::string fileUrl(const fs::path& path) {
#ifdef _WIN32
    return "file:///" + utf8(path.generic_u8string());
#else
    return "file://" + utf8(path.generic_u8string());
#endif
}

}  // namespace

WordBinaryConverter::~WordBinaryConverter() {
    if (folder_.empty()) return;
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string WordBinaryConverter::folder() {
    if (!folder_.empty()) return {};
    std::error_code ec;
    std::random_device random;
    const fs::path dir = fs::temp_directory_path(ec) / ("tolvarin-" + std::to_string(random()));
    if (ec || !fs::create_directories(dir, ec)) return "cannot make a temporary folder for LibreOffice";
    folder_ = dir;
    return {};
}

std::string WordBinaryConverter::convert(const std::vector<std::string_view>& docs) {
    if (std::string error = folder(); !error.empty()) return error;
    const fs::path call = folder_ / ("call" + std::to_string(++calls_));
    struct Cleanup {
        fs::path dir;
        ~Cleanup() {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    } cleanup{call};
    std::error_code ec;
    fs::create_directories(call / "in", ec);
    fs::create_directories(call / "out", ec);
    // A profile of its own for the run: a LibreOffice the user has open would otherwise
    // take the job and do nothing.
    std::vector<std::string> args = {"soffice", "-env:UserInstallation=" + fileUrl(folder_ / "profile"), "--headless",
                                     "--norestore", "--convert-to", "docx", "--outdir", utf8((call / "out").u8string())};
    for (std::size_t i = 0; i < docs.size(); ++i) {
        const fs::path input = call / "in" / ("document" + std::to_string(i) + ".doc");
        if (std::string error = writeFileReplacing(input, docs[i]); !error.empty()) return error;
        args.push_back(utf8(input.u8string()));
    }
    const int status = runLibreOffice(args, kDeadline + kDeadlineEach * docs.size());
    if (status == -1) return kMissing;
    if (status == -2)
        return "LibreOffice took too long to read the Word 97-2003 document" + std::string(docs.size() > 1 ? "s" : "") +
               "; it was stopped";
    for (std::size_t i = 0; i < docs.size(); ++i) {
        Made made;
        const fs::path output = call / "out" / ("document" + std::to_string(i) + ".docx");
        if (!fs::exists(output, ec))
            made.error = "LibreOffice could not read the Word 97-2003 document (it may be damaged or password-protected)";
        else
            made.error = readWholeFile(output, made.docx);
        made_.insert_or_assign(std::string(docs[i]), std::move(made));
    }
    return {};
}

void WordBinaryConverter::prepare(const std::vector<std::string_view>& docs) {
    std::vector<std::string_view> wanted;
    for (std::string_view doc : docs)
        if (!made_.count(doc)) wanted.push_back(doc);
    if (wanted.size() > 1) convert(wanted);
}

std::string WordBinaryConverter::toDocx(std::string_view doc, std::string& docx) {
    auto found = made_.find(doc);
    if (found == made_.end()) {
        if (std::string error = convert({doc}); !error.empty()) return error;
        found = made_.find(doc);
    }
    const std::string error = found->second.error;
    docx = std::move(found->second.docx);
    made_.erase(found);
    return error;
}

}  // namespace tolvarin
