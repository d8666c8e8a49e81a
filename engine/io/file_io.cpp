#include "io/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "io/threads.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Files with no name until they are complete, where the system makes them. Emscripten's
// headers define the flag with no file system behind it.
#if defined(O_TMPFILE) && !defined(__EMSCRIPTEN__)
#define TOLVARIN_UNNAMED_FILES 1
#endif

namespace tolvarin {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(longPath(path).c_str(), wmode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

#ifdef _WIN32
// The system's own words for an error, in UTF-8.
std::string windowsReason(DWORD err) {
    if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION)
        return "the file is open in another program; close it there and try again";
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, err, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    if (n && text) {
        while (n && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L'.' || text[n - 1] == L' ')) --n;
        out = displayPath(std::filesystem::path(std::wstring(text, n)));
    }
    if (text) LocalFree(text);
    return out.empty() ? "error " + std::to_string(err) : out;
}
#endif

std::string reason(int err) { return std::generic_category().message(err); }

// The temporary file lives in the target's folder so the final rename never
// crosses file systems; its name is unique to this process and attempt.
std::filesystem::path temporaryNameFor(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path temp = path;
    temp += ".tolvarin-" + std::to_string(stamp % 1000000007) + "-" + std::to_string(counter++) + ".tmp";
    return temp;
}

// The content's producer, failing like any other when memory runs out, so that the
// temporary file is abandoned and not left behind.
ContentProducer guarded(const ContentProducer& produce) {
    return [&produce](const std::function<void(std::string_view)>& write) -> std::string {
        try {
            return produce(write);
        } catch (const std::bad_alloc&) {
            return std::string(kNotEnoughMemory);
        }
    };
}

#ifdef TOLVARIN_UNNAMED_FILES
// Flushes a file to disk on a second thread a few megabytes behind its writer, so that
// a large file's flush before the rename finds little left to do: the disk works
// while the rest of the content is still being made. Small files never start it.
class BackgroundFlush {
public:
    explicit BackgroundFlush(int fd) : fd_(fd) {}
    ~BackgroundFlush() { stop(); }
    BackgroundFlush(const BackgroundFlush&) = delete;
    BackgroundFlush& operator=(const BackgroundFlush&) = delete;

    // `total` bytes are now written.
    void written(off_t total) {
#ifdef SYNC_FILE_RANGE_WRITE
        // Start writing out what has come since the last call, without waiting for it.
        if (total - started_ >= kStart) {
            ::sync_file_range(fd_, started_, total - started_, SYNC_FILE_RANGE_WRITE);
            started_ = total;
        }
#endif
        if (total - requested_ < kFlush) return;
        requested_ = total;
        {
            std::lock_guard lock(mutex_);
            ++wanted_;
        }
        if (thread_.joinable()) {
            wake_.notify_one();
            return;
        }
        // Where no thread can be had, the flush before the rename does it all.
        if (std::optional<std::thread> thread = startThread([this] { loop(); })) thread_ = std::move(*thread);
    }

    // Stops the thread; returns the first error a flush met, or 0.
    int stop() {
        if (thread_.joinable()) {
            {
                std::lock_guard lock(mutex_);
                stopping_ = true;
            }
            wake_.notify_one();
            thread_.join();
        }
        return error_;
    }

private:
    static constexpr off_t kStart = off_t(1) << 21;
    static constexpr off_t kFlush = off_t(1) << 22;

    void loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return done_ < wanted_ || stopping_; });
            if (stopping_) return;
            done_ = wanted_;
            lock.unlock();
            const int result = ::fdatasync(fd_);
            const int err = errno;
            lock.lock();
            // A failed flush may not fail again later: its error must not be lost.
            if (result != 0 && error_ == 0) error_ = err;
        }
    }

    const int fd_;
    off_t started_ = 0, requested_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    unsigned wanted_ = 0, done_ = 0;
    bool stopping_ = false;
    int error_ = 0;
};

// Writes the content into a file that has no name until it is complete, so a
// process killed while writing leaves nothing behind. Returns nothing when the
// file system cannot make such files; the caller then uses a named one.
std::optional<std::string> writeUnnamedThenRename(const std::filesystem::path& path,
                                                  const std::filesystem::path& temp,
                                                  const ContentProducer& produce) {
    const std::string name = displayPath(path);
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return std::nullopt;
        return "cannot save " + name + ": " + reason(errno);
    }
    auto fail = [&](int err) {
        ::close(fd);
        return "cannot save " + name + ": " + reason(err);
    };
    int writeError = 0;
    off_t written = 0;
    BackgroundFlush flusher(fd);
    std::string produceError = produce([&](std::string_view piece) {
        while (writeError == 0 && !piece.empty()) {
            ssize_t n = ::write(fd, piece.data(), piece.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                writeError = n < 0 ? errno : EIO;
            } else {
                piece.remove_prefix(std::size_t(n));
                written += n;
            }
        }
        if (writeError == 0) flusher.written(written);
    });
    const int flushError = flusher.stop();
    if (!produceError.empty()) {
        ::close(fd);  // never linked: the unnamed file goes with it
        return produceError;
    }
    if (writeError != 0) return fail(writeError);
    if (flushError != 0) return fail(flushError);
    if (::fsync(fd) != 0) return fail(errno);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        ::close(fd);
        return std::nullopt;  // no /proc: write a named temporary file instead
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        return "cannot save " + name + ": " + reason(err);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        return "cannot save " + name + ": " + reason(err);
    }
    return std::string();
}
#endif

}  // namespace

std::filesystem::path longPath(const std::filesystem::path& path) {
#ifdef _WIN32
    // Win32 calls take more than MAX_PATH characters only in the \\?\ form, which
    // is absolute, with backslashes, and not normalised by the system.
    std::wstring p = path.native();
    if (p.size() < 240 || p.rfind(L"\\\\?\\", 0) == 0) return path;
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) return path;
    p = full.make_preferred().lexically_normal().native();
    if (p.rfind(L"\\\\", 0) == 0) return std::filesystem::path(L"\\\\?\\UNC\\" + p.substr(2));
    return std::filesystem::path(L"\\\\?\\" + p);
#else
    return path;
#endif
}

std::string displayPath(const std::filesystem::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string readWholeFile(const std::filesystem::path& path, std::string& out) {
    const std::string name = displayPath(path);
    std::error_code ec;
    if (std::filesystem::is_directory(longPath(path), ec)) return "cannot open " + name + ": it is a folder, not a file";
    errno = 0;
    FilePtr f(openFile(path, "rb"));
    if (!f) return "cannot open " + name + ": " + reason(errno);
    std::uintmax_t size = std::filesystem::file_size(longPath(path), ec);
    if (!ec && size > kMaxInputFileSize)
        return "cannot open " + name + ": the file is larger than 1 GiB, too large for a document";
    out.clear();
    if (!ec) out.reserve(std::size_t(size));
    char buffer[1 << 16];
    for (;;) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, f.get());
        out.append(buffer, n);
        if (out.size() > kMaxInputFileSize)
            return "cannot open " + name + ": the file is larger than 1 GiB, too large for a document";
        if (n < sizeof buffer) break;
    }
    if (std::ferror(f.get())) return "cannot read " + name + ": " + reason(errno ? errno : EIO);
    return {};
}

InputFile::~InputFile() {
#ifndef _WIN32
    if (map_) ::munmap(map_, mapped_);
#endif
}

std::string InputFile::open(const std::filesystem::path& path) {
#ifndef _WIN32
    const std::string name = displayPath(path);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return "cannot open " + name + ": it is a folder, not a file";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "cannot open " + name + ": " + reason(errno);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        if (std::uintmax_t(st.st_size) > kMaxInputFileSize) {
            ::close(fd);
            return "cannot open " + name + ": the file is larger than 1 GiB, too large for a document";
        }
        // Mapped, not read: copying the bytes costs more than converting them. A file
        // cut short by another program meanwhile raises SIGBUS, which a program that
        // uses this must handle (the command line reports it and ends, writing nothing).
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;  // one call fills the mapping instead of a fault per page
#endif
        void* map = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, flags, fd, 0);
        if (map != MAP_FAILED) {
            map_ = map;
            size_ = mapped_ = std::size_t(st.st_size);
            ::close(fd);
            return {};
        }
    }
    ::close(fd);
#endif
    return readWholeFile(path, copy_);
}

namespace {

// A file its owner may not write: replacing it anyway would undo what they chose.
bool readOnly(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    return !ec && std::filesystem::is_regular_file(st) &&
           (st.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
}

std::string readOnlyReason(const std::string& name) {
    return "cannot save " + name + ": the file is read-only, and was left as it was (make it writable, or choose "
           "another name)";
}

}  // namespace

std::string writeFileReplacing(const std::filesystem::path& path, std::string_view data) {
    return writeFileReplacing(path, [data](const std::function<void(std::string_view)>& write) {
        write(data);
        return std::string();
    });
}

#ifdef _WIN32
// A temporary file in the target's folder, written, flushed to disk, then moved over
// the target in one step. A target that another program holds open stays as it was.
std::string writeFileReplacing(const std::filesystem::path& path, const ContentProducer& unguarded) {
    const ContentProducer produce = guarded(unguarded);
    const std::string name = displayPath(path);
    if (path.empty()) return "cannot save: no output file was given";
    std::error_code ec;
    if (std::filesystem::is_directory(longPath(path), ec))
        return "cannot save " + name + ": a folder of that name is in the way";
    if (readOnly(longPath(path))) return readOnlyReason(name);
    const std::filesystem::path temp = longPath(temporaryNameFor(path));
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "cannot save " + name + ": " + windowsReason(GetLastError());
    auto abandon = [&](DWORD err) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        DeleteFileW(temp.c_str());
        return "cannot save " + name + ": " + windowsReason(err);
    };
    DWORD writeError = 0;
    std::string produceError = produce([&](std::string_view piece) {
        while (writeError == 0 && !piece.empty()) {
            DWORD n = 0;
            const DWORD want = DWORD(std::min<std::size_t>(piece.size(), 1u << 30));
            if (!WriteFile(h, piece.data(), want, &n, nullptr) || n == 0) writeError = GetLastError();
            else piece.remove_prefix(n);
        }
    });
    if (!produceError.empty()) {
        abandon(0);
        return produceError;
    }
    if (writeError != 0) return abandon(writeError);
    if (!FlushFileBuffers(h)) return abandon(GetLastError());
    CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    const std::filesystem::path target = longPath(path);
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD err = GetLastError();
        DeleteFileW(temp.c_str());
        if (err != ERROR_ACCESS_DENIED) return "cannot save " + name + ": " + windowsReason(err);
        // Windows says "access denied" both for a read-only file and for one that a
        // word processor holds open; tell the user which.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            return "cannot save " + name + ": the file is read-only";
        return "cannot save " + name + ": the file is open in another program, or may not be replaced; "
               "close it there and try again";
    }
    return {};
}
#else
std::string writeFileReplacing(const std::filesystem::path& path, const ContentProducer& unguarded) {
    const ContentProducer produce = guarded(unguarded);
    const std::string name = displayPath(path);
    if (path.empty()) return "cannot save: no output file was given";
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return "cannot save " + name + ": a folder of that name is in the way";
    if (readOnly(path)) return readOnlyReason(name);

    const std::filesystem::path temp = temporaryNameFor(path);
#ifdef TOLVARIN_UNNAMED_FILES
    if (std::optional<std::string> done = writeUnnamedThenRename(path, temp, produce)) return *done;
#endif

    errno = 0;
    FilePtr f(openFile(temp, "wbx"));
    if (!f) return "cannot save " + name + ": " + reason(errno);
    auto abandon = [&](int err) {
        f.reset();
        std::filesystem::remove(temp, ec);
        return "cannot save " + name + ": " + reason(err);
    };
    int writeError = 0;
    std::string produceError = produce([&](std::string_view piece) {
        if (writeError == 0 && !piece.empty() && std::fwrite(piece.data(), 1, piece.size(), f.get()) != piece.size())
            writeError = errno ? errno : EIO;
    });
    if (!produceError.empty()) {
        abandon(0);
        return produceError;
    }
    if (writeError != 0) return abandon(writeError);
    if (std::fflush(f.get()) != 0) return abandon(errno ? errno : EIO);
    if (::fsync(fileno(f.get())) != 0) return abandon(errno ? errno : EIO);
    if (std::fclose(f.release()) != 0) return abandon(errno ? errno : EIO);

    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return "cannot save " + name + ": " + ec.message();
    }
    return {};
}
#endif

}  // namespace tolvarin
