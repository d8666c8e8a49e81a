// Whole-file reading and crash-safe replacing of files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "io/destination.h"

namespace tolvarin {

// Documents larger than this are refused rather than read: no RTF a person
// writes comes near it, and the reader's memory stays bounded.
inline constexpr std::uintmax_t kMaxInputFileSize = std::uintmax_t(1) << 30;

// Reads the file into `out`; returns an empty string, or what went wrong with the path.
std::string readWholeFile(const std::filesystem::path& path, std::string& out);

// A file's bytes for reading once: mapped into memory where the platform allows, which
// spares copying them, else read whole. While a mapped file is in use, another program
// cutting it short raises SIGBUS.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Returns an empty string, or what went wrong with the path.
    std::string open(const std::filesystem::path& path);
    std::string_view bytes() const { return map_ ? std::string_view(static_cast<const char*>(map_), size_) : copy_; }

private:
    std::string copy_;
    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mapped_ = 0;
};

// Writes `data` to a temporary file beside `path`, flushes it to disk and only then
// renames it over `path`. On failure the old file is untouched, the temporary file is
// removed, and the result names the path and the reason; on success it is empty.
std::string writeFileReplacing(const std::filesystem::path& path, std::string_view data);
// The same, with the content produced in pieces: `produce` calls `write` for each,
// and returns an empty string, or why the content could not be made; the save is
// then abandoned and that reason returned as it is.
// What a save (or a conversion) says when memory runs out while the content is made.
inline constexpr std::string_view kNotEnoughMemory =
    "not enough memory to convert the document; close other programs and try again";
std::string writeFileReplacing(const std::filesystem::path& path, const ContentProducer& produce);
// A destination that saves so at `path`.
inline Destination intoFile(const std::filesystem::path& path) {
    return [path](const ContentProducer& produce) { return writeFileReplacing(path, produce); };
}

// The form of a path that Windows takes past MAX_PATH (\\?\...) when it is that
// long; elsewhere the path itself.
std::filesystem::path longPath(const std::filesystem::path& path);

// A readable form of a path for messages.
std::string displayPath(const std::filesystem::path& path);

}  // namespace tolvarin
