#include "office/zip_package.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "io/memory_hint.h"
#include "office/deflate.h"
#include "office/zip_headers.h"
#include "core/document_kind.h"

namespace tolvarin {
namespace {

std::string zipError(zip_error_t* error) {
    std::string text = zip_error_strerror(error);
    // Lower case to follow a colon, but not an abbreviation ("CRC error").
    if (!text.empty() && (text.size() == 1 || !std::isupper(static_cast<unsigned char>(text[1]))))
        text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
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

// Appends what it is handed.
class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    void write(std::string_view bytes) override { out_.append(bytes); }

private:
    std::string& out_;
};

// A deflated member read whole and inflated at once: true when `out` holds it. Anything
// unusual (a size that does not match, a bad checksum) is left to libzip's own reading,
// which says what is wrong.
bool inflateWhole(zip_t* zip, zip_uint64_t index, const zip_stat_t& st, std::size_t archiveSize, std::string& out) {
    constexpr zip_uint64_t wanted = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
    if (!deflate::available()) return false;
    if ((st.valid & wanted) != wanted || st.comp_method != ZIP_CM_DEFLATE || st.size == 0) return false;
    // Room is taken for the sizes the archive claims: only for sizes its own bytes can
    // hold, and deflate can unpack them to (at most 1,032 times as much).
    if (st.comp_size > archiveSize || st.size > kMaxUnpackedSize || st.size > st.comp_size * 1032 + 1024) return false;
    zip_file_t* file = zip_fopen_index(zip, index, ZIP_FL_COMPRESSED);
    if (!file) return false;
    std::string packed;
    reserveLarge(packed, std::size_t(st.comp_size));  // on huge pages before it is first touched
    packed.resize(std::size_t(st.comp_size));
    const zip_int64_t n = zip_fread(file, packed.data(), packed.size());
    zip_fclose(file);
    if (n != zip_int64_t(packed.size())) return false;
    return deflate::inflate(packed, std::size_t(st.size), st.crc, out);
}

// A member's new content, deflated already: libzip copies it into the archive as it
// copies an unchanged member's.
zip_int64_t packedSource(void* data, void* buffer, zip_uint64_t length, zip_source_cmd_t command) {
    auto* r = static_cast<ZipPackage::Replacement*>(data);
    switch (command) {
    case ZIP_SOURCE_OPEN: r->readAt = 0; return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t n = std::min<std::size_t>(std::size_t(length), r->packed.size - r->readAt);
        std::memcpy(buffer, r->packed.bytes.get() + r->readAt, n);
        r->readAt += n;
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(buffer);
        if (length < sizeof *st) return -1;
        zip_stat_init(st);
        st->size = r->packed.unpacked;
        st->comp_size = r->packed.size;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        st->crc = r->packed.crc;
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD | ZIP_STAT_CRC;
        return sizeof *st;
    }
    case ZIP_SOURCE_ERROR: return 2 * sizeof(int);
    case ZIP_SOURCE_FREE: return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, zip_source_cmd_t(-1));
    default: return -1;
    }
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
    archiveSize_ = bytes.size();
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
    // Views of the names once they are all in place: a short name's characters move with it.
    named_.reserve(names_.size());
    for (const std::string& name : names_) named_.insert(name);
    return {};
}

bool ZipPackage::has(std::string_view name) const {
    return named_.count(name) != 0;
}

std::string ZipPackage::read(std::string_view name, std::string& out) const {
    const std::string key(name);
    const zip_int64_t index = zip_name_locate(zip_, key.c_str(), 0);
    zip_stat_t st;
    if (index < 0 || zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0) return "the archive has no " + key;
    if (inflateWhole(zip_, zip_uint64_t(index), st, archiveSize_, out)) return {};
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) return key + " cannot be unpacked (" + zipError(zip_get_error(zip_)) + ")";
    // The declared size is a hint only: a member may claim less than it holds.
    out.clear();
    reserveLarge(out, std::size_t(std::min<std::uint64_t>(st.size, kMaxUnpackedSize)));
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

void ZipPackage::replace(std::string_view name, std::string content) { replace(name, prepare(std::move(content))); }

ZipPackage::Replacement ZipPackage::prepare(std::string content) {
    Replacement r;
    if (deflate::pack(content, r.packed)) content = std::string();
    r.content = std::move(content);
    return r;
}

void ZipPackage::replace(std::string_view name, Replacement replacement) {
    replaced_.insert_or_assign(std::string(name), std::move(replacement));
}

void ZipPackage::replace(std::string_view name, const std::vector<ContentPiece>& pieces) {
    if (Replacement r; deflate::packAsMade(pieces, r.packed)) {
        replaced_.insert_or_assign(std::string(name), std::move(r));
        return;
    }
    // Made whole, then deflated as any new content is.
    std::size_t size = 0;
    for (const ContentPiece& p : pieces) size += p.size;
    std::string content;
    reserveLarge(content, size);
    StringSink sink(content);
    for (const ContentPiece& p : pieces) p.make(sink);
    replace(name, std::move(content));
}

std::string ZipPackage::save(std::string& out) {
    for (auto& [name, replacement] : replaced_) {
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
        zip_stat_t st;
        if (index < 0 || zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0) return "the archive has no " + name;
        const std::string& content = replacement.content;
        zip_source_t* data = replacement.packed.size == 0
                                 ? zip_source_buffer(zip_, content.data(), content.size(), 0)
                                 : zip_source_function(zip_, packedSource, &replacement);
        if (!data || zip_file_replace(zip_, zip_uint64_t(index), data, 0) != 0) {
            if (data) zip_source_free(data);
            return "cannot replace " + name + " (" + zipError(zip_get_error(zip_)) + ")";
        }
        // Content not deflated yet: zlib's fastest level, as with libdeflate. Asked for as
        // the default method (deflate), since libzip drops a level given with the method
        // the member had; content deflated already keeps its method so.
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
    // libzip copies the members before the first one it changed, local headers and all,
    // and writes the central directory anew: the two must say the same of each member.
    ziprecords::alignCentralDirectory(out);
    return {};
}

}  // namespace tolvarin
