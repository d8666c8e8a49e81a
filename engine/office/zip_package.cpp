#include "office/zip_package.h"

#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "office/package_conversion.h"

namespace tolvarin {
namespace {

std::string zipError(zip_error_t* error) {
    std::string text = zip_error_strerror(error);
    if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// A member whose path climbs out of the folder it is unpacked in, or starts at a root.
bool leavesFolder(std::string_view name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':')) return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

ZipPackage::~ZipPackage() {
    if (zip_) zip_discard(zip_);
    if (source_) zip_source_free(source_);
}

std::string ZipPackage::open(std::string_view bytes) {
    zip_error_t error;
    zip_error_init(&error);
    // Shorter than an archive's end record: libzip would not free an empty buffer.
    if (bytes.size() < 22) return "the archive is damaged (not a zip archive)";
    // The source gets a copy of its own: writing the archive replaces the source's
    // buffer, which libzip then frees.
    void* copy = std::malloc(bytes.size());
    if (!copy) return "not enough memory to open the archive";
    std::memcpy(copy, bytes.data(), bytes.size());
    source_ = zip_source_buffer_create(copy, bytes.size(), 1, &error);
    if (!source_) {
        std::free(copy);
        std::string text = zipError(&error);
        zip_error_fini(&error);
        return "cannot read the archive: " + text;
    }
    zip_ = zip_open_from_source(source_, 0, &error);
    if (!zip_) {
        std::string text = zipError(&error);
        zip_error_fini(&error);
        return "the archive is damaged (" + text + ")";
    }
    // The archive took the source; the package keeps it too, for save() to read the
    // rewritten archive back from.
    zip_source_keep(source_);
    zip_error_fini(&error);
    const zip_int64_t count = zip_get_num_entries(zip_, 0);
    std::uint64_t unpacked = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip_, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
            return "the archive is damaged (a member cannot be read)";
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return std::string(kPasswordProtected);
        if (leavesFolder(st.name))
            return std::string("the archive holds a member whose path leaves its folder (") + st.name + "); it is not opened";
        if (st.valid & ZIP_STAT_SIZE) unpacked += st.size;
        if (unpacked > kMaxUnpackedSize)
            return "the archive would unpack to more than 1 GiB, too large for a document";
        names_.emplace_back(st.name);
    }
    return {};
}

bool ZipPackage::has(std::string_view name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

std::string ZipPackage::read(std::string_view name, std::string& out) const {
    const std::string key(name);
    const zip_int64_t index = zip_name_locate(zip_, key.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0) return "the archive has no " + key;
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) return key + " cannot be unpacked (" + zipError(zip_get_error(zip_)) + ")";
    // The declared size is a hint only: a member may claim less than it holds.
    out.clear();
    out.reserve(std::size_t(std::min<std::uint64_t>(st.size, kMaxUnpackedSize)));
    char buffer[1 << 16];
    std::string error;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            error = key + " is damaged (" + zipError(zip_file_get_error(file)) + ")";
            break;
        }
        if (n == 0) break;
        out.append(buffer, std::size_t(n));
        if (out.size() > kMaxUnpackedSize) {
            error = key + " would unpack to more than 1 GiB, too large for a document";
            break;
        }
    }
    zip_fclose(file);
    return error;
}

void ZipPackage::replace(std::string_view name, std::string content) {
    replaced_.insert_or_assign(std::string(name), std::move(content));
}

std::string ZipPackage::save(std::string& out) {
    for (const auto& [name, content] : replaced_) {
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
        zip_stat_t st;
        if (index < 0 || zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0) return "the archive has no " + name;
        zip_source_t* data = zip_source_buffer(zip_, content.data(), content.size(), 0);
        if (!data || zip_file_replace(zip_, zip_uint64_t(index), data, 0) != 0) {
            if (data) zip_source_free(data);
            return "cannot replace " + name + " (" + zipError(zip_get_error(zip_)) + ")";
        }
        // zlib's fastest level: a changed part packs a little larger, in a fraction of
        // the time of libzip's own choice, the slowest. Asked for as the default method
        // (deflate), since libzip drops a level given with the method the member had.
        zip_set_file_compression(zip_, zip_uint64_t(index), ZIP_CM_DEFAULT, 1);
        if (st.valid & ZIP_STAT_MTIME) zip_file_set_mtime(zip_, zip_uint64_t(index), st.mtime, 0);
    }
    // The archive is written into memory: what fails here is a member that cannot be
    // copied, which only a damaged archive has.
    if (zip_close(zip_) != 0) {
        std::string text = zipError(zip_get_error(zip_));
        return "the archive is damaged: a member cannot be copied (" + text + ")";
    }
    zip_ = nullptr;
    // The source now holds the new archive.
    if (zip_source_open(source_) != 0) return "cannot read back the written archive";
    out.clear();
    char buffer[1 << 16];
    for (;;) {
        const zip_int64_t n = zip_source_read(source_, buffer, sizeof buffer);
        if (n < 0) {
            zip_source_close(source_);
            return "cannot read back the written archive";
        }
        if (n == 0) break;
        out.append(buffer, std::size_t(n));
    }
    zip_source_close(source_);
    return {};
}

}  // namespace tolvarin
