#include "office/zip_package.h"

#include <zip.h>
#if TOLVARIN_LIBDEFLATE
#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <thread>

#include "io/at_once.h"
#endif
#if TOLVARIN_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "io/memory_hint.h"
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

#if TOLVARIN_LIBDEFLATE
// libdeflate inflates and deflates whole buffers several times faster than zlib, which
// libzip uses; a document's parts fit in memory anyway.
struct Decompressor {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Decompressor() { libdeflate_free_decompressor(d); }
};
struct Compressor {
    // The fastest level: a changed part packs a little larger, in a fraction of the time.
    libdeflate_compressor* c = libdeflate_alloc_compressor(1);
    ~Compressor() { libdeflate_free_compressor(c); }
};

// A changed part this long is deflated in two pieces at once.
constexpr std::size_t kTwoPiecesFrom = std::size_t(4) << 20;

// Deflates `content` into `out` (room for libdeflate's bound of it, plus zlib's of a
// third). A long part is deflated in two pieces at once: the first third by zlib on a
// thread of its own, ending in a flush to a byte's edge and not as the last block, and
// the rest by libdeflate here; one after the other they are one deflate stream. Returns
// the deflated size, 0 when it does not fit.
std::size_t deflateWhole(libdeflate_compressor* c, std::string_view content, char* out, std::size_t room) {
    const auto inOnePiece = [&] { return libdeflate_deflate_compress(c, content.data(), content.size(), out, room); };
    if (content.size() < kTwoPiecesFrom || std::thread::hardware_concurrency() < 2) return inOnePiece();
    const std::size_t cut = content.size() / 3;
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return inOnePiece();
    const std::size_t firstRoom = deflateBound(&z, uLong(cut)) + 64;
    bool firstDone = false;
    std::size_t rest = 0;
    if (room > firstRoom)
        atOnce(
            [&] {
                rest = libdeflate_deflate_compress(c, content.data() + cut, content.size() - cut, out + firstRoom,
                                                   room - firstRoom);
            },
            [&] {
                z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
                z.avail_in = uInt(cut);
                z.next_out = reinterpret_cast<Bytef*>(out);
                z.avail_out = uInt(firstRoom);
                firstDone = deflate(&z, Z_SYNC_FLUSH) == Z_OK && z.avail_in == 0 && z.avail_out > 0;
            });
    const std::size_t firstSize = firstRoom - z.avail_out;
    deflateEnd(&z);
    if (!firstDone || rest == 0) return inOnePiece();
    std::memmove(out + firstSize, out + firstRoom, rest);
    return firstSize + rest;
}

#if TOLVARIN_ISAL
// ISA-L deflates a changed part this long or longer: where speed counts. A shorter one
// goes through libdeflate, which packs it a little smaller, and byte for byte as the
// builds without ISA-L (Windows) do.
constexpr std::size_t kIsalFrom = std::size_t(1) << 20;

// What it is handed, deflated a buffer's worth at a time, with its checksum and length:
// ISA-L at its fastest level deflates several times faster than libdeflate at its,
// packing a few percent larger. A piece of a deflate stream, the last one or one ending
// on a byte's edge that another follows; `before`, what precedes it in the stream when
// that is at hand, which it may refer back to.
class DeflatingSink final : public ByteSink {
public:
    DeflatingSink(char* out, std::size_t room, bool last, std::string_view before = {})
        : stream_(std::make_unique<isal_zstream>()), last_(last) {
        isal_deflate_init(stream_.get());
        stream_->level = 1;
        stream_->level_buf = levelBuffer_.get();
        stream_->level_buf_size = ISAL_DEF_LVL1_DEFAULT;
        stream_->next_out = reinterpret_cast<std::uint8_t*>(out);
        stream_->avail_out = std::uint32_t(std::min<std::size_t>(room, 0xFFFFFFFFu));
        const std::string_view window = before.substr(before.size() - std::min<std::size_t>(before.size(), 32768));
        if (!window.empty())
            failed_ = isal_deflate_set_dict(stream_.get(), reinterpret_cast<std::uint8_t*>(const_cast<char*>(window.data())),
                                            std::uint32_t(window.size())) != COMP_OK;
    }
    void write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), kBuffer - used_);
            std::memcpy(buffer_.get() + used_, bytes.data(), n);
            used_ += n;
            bytes.remove_prefix(n);
            if (used_ == kBuffer) deflate(false);
        }
    }
    // Ends the piece. Returns its deflated size, 0 when it did not fit.
    std::size_t finish() {
        deflate(true);
        if (failed_ || stream_->internal_state.state != (last_ ? ZSTATE_END : ZSTATE_NEW_HDR)) return 0;
        return stream_->total_out;
    }
    std::uint32_t crc() const { return crc_; }
    std::uint64_t size() const { return size_; }

private:
    static constexpr std::size_t kBuffer = std::size_t(128) << 10;  // stays in the cache
    void deflate(bool end) {
        if (failed_) return;
        crc_ = libdeflate_crc32(crc_, buffer_.get(), used_);
        size_ += used_;
        isal_zstream& s = *stream_;
        s.next_in = reinterpret_cast<std::uint8_t*>(buffer_.get());
        s.avail_in = std::uint32_t(used_);
        s.end_of_stream = end && last_ ? 1 : 0;
        s.flush = end && !last_ ? SYNC_FLUSH : NO_FLUSH;
        failed_ = isal_deflate(&s) != COMP_OK || s.avail_in != 0 || size_ > 0xFFFFFFFFu;
        used_ = 0;
    }
    std::unique_ptr<isal_zstream> stream_;
    std::unique_ptr<std::uint8_t[]> levelBuffer_{new std::uint8_t[ISAL_DEF_LVL1_DEFAULT]};
    std::unique_ptr<char[]> buffer_{new char[kBuffer]};
    std::size_t used_ = 0;
    bool last_, failed_ = false;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
};

// The pieces made and deflated as they are made, into `r`; false when they did not fit.
// `first`: the first of two pieces, when it is at hand, for the second to refer back to.
bool deflateAsMade(const std::vector<ZipPackage::ContentPiece>& pieces, ZipPackage::Replacement& r,
                   std::string_view first = {}) {
    if (pieces.empty() || pieces.size() > 2) return false;
    // Room for each piece's deflated bytes, as for a whole part, then moved together.
    std::vector<std::size_t> rooms, at;
    std::size_t room = 0;
    for (const ZipPackage::ContentPiece& p : pieces) {
        at.push_back(room);
        rooms.push_back(p.size + p.size / 2 + 4096);
        room += rooms.back();
    }
    r.packed.reset(new char[room]);
    preferHugePages(r.packed.get(), room);
    std::vector<std::unique_ptr<DeflatingSink>> sinks;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        sinks.push_back(std::make_unique<DeflatingSink>(r.packed.get() + at[i], rooms[i], i + 1 == pieces.size(),
                                                        i == 1 ? first : std::string_view()));
    std::vector<std::size_t> packed(pieces.size());
    const auto make = [&](std::size_t i) {
        pieces[i].make(*sinks[i]);
        packed[i] = sinks[i]->finish();
    };
    if (pieces.size() == 2 && std::thread::hardware_concurrency() > 1) atOnce([&] { make(0); }, [&] { make(1); });
    else
        for (std::size_t i = 0; i < pieces.size(); ++i) make(i);
    r.packedSize = 0;
    r.size = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (packed[i] == 0) return false;
        std::memmove(r.packed.get() + r.packedSize, r.packed.get() + at[i], packed[i]);
        r.packedSize += packed[i];
        r.crc = i == 0 ? sinks[i]->crc()
                       : std::uint32_t(crc32_combine(r.crc, sinks[i]->crc(), z_off_t(sinks[i]->size())));
        r.size += sinks[i]->size();
    }
    return true;
}

// New content deflated so, a long one in two halves at once.
bool deflateFast(std::string_view content, ZipPackage::Replacement& r) {
    const auto piece = [](std::string_view bytes) {
        return ZipPackage::ContentPiece{bytes.size(), [bytes](ByteSink& sink) { sink.write(bytes); }};
    };
    if (content.size() < kTwoPiecesFrom || std::thread::hardware_concurrency() < 2)
        return deflateAsMade({piece(content)}, r);
    const std::string_view first = content.substr(0, content.size() / 2);
    return deflateAsMade({piece(first), piece(content.substr(first.size()))}, r, first);
}
#endif

// A deflated member read whole and inflated at once: true when `out` holds it. Anything
// unusual (a size that does not match, a bad checksum) is left to libzip's own reading,
// which says what is wrong.
bool inflateWhole(zip_t* zip, zip_uint64_t index, const zip_stat_t& st, std::size_t archiveSize, std::string& out) {
    constexpr zip_uint64_t wanted = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
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
    out.clear();
    reserveLarge(out, std::size_t(st.size));
    out.resize(std::size_t(st.size));
#if TOLVARIN_ISAL
    // ISA-L inflates faster still, and checksums as it goes.
    if (packed.size() <= 0xFFFFFFFFu && out.size() <= 0xFFFFFFFFu) {
        auto state = std::make_unique<inflate_state>();
        isal_inflate_init(state.get());
        state->next_in = reinterpret_cast<std::uint8_t*>(packed.data());
        state->avail_in = std::uint32_t(packed.size());
        state->next_out = reinterpret_cast<std::uint8_t*>(out.data());
        state->avail_out = std::uint32_t(out.size());
        state->crc_flag = ISAL_GZIP_NO_HDR;
        const int result = isal_inflate_stateless(state.get());
        if (result == ISAL_DECOMP_OK && state->block_state == ISAL_BLOCK_FINISH && state->total_out == out.size() &&
            state->crc == st.crc)
            return true;
        out.clear();
        return false;
    }
#endif
    thread_local Decompressor inflater;
    std::size_t got = 0;
    if (!inflater.d ||
        libdeflate_deflate_decompress(inflater.d, packed.data(), packed.size(), out.data(), out.size(), &got) !=
            LIBDEFLATE_SUCCESS ||
        got != out.size() || libdeflate_crc32(0, out.data(), out.size()) != st.crc) {
        out.clear();
        return false;
    }
    return true;
}

// A member's new content, deflated already: libzip copies it into the archive as it
// copies an unchanged member's.
zip_int64_t packedSource(void* data, void* buffer, zip_uint64_t length, zip_source_cmd_t command) {
    auto* r = static_cast<ZipPackage::Replacement*>(data);
    switch (command) {
    case ZIP_SOURCE_OPEN: r->readAt = 0; return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t n = std::min<std::size_t>(std::size_t(length), r->packedSize - r->readAt);
        std::memcpy(buffer, r->packed.get() + r->readAt, n);
        r->readAt += n;
        return zip_int64_t(n);
    }
    case ZIP_SOURCE_CLOSE: return 0;
    case ZIP_SOURCE_STAT: {
        auto* st = static_cast<zip_stat_t*>(buffer);
        if (length < sizeof *st) return -1;
        zip_stat_init(st);
        st->size = r->size;
        st->comp_size = r->packedSize;
        st->comp_method = ZIP_CM_DEFLATE;
        st->encryption_method = ZIP_EM_NONE;
        st->crc = r->crc;
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
#endif

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
#if TOLVARIN_LIBDEFLATE
    if (inflateWhole(zip_, zip_uint64_t(index), st, archiveSize_, out)) return {};
#endif
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

void ZipPackage::replace(std::string_view name, std::string content) {
#if TOLVARIN_ISAL
    if (Replacement fast; content.size() >= kIsalFrom && deflateFast(content, fast)) {
        replaced_.insert_or_assign(std::string(name), std::move(fast));
        return;
    }
#endif
    Replacement r;
#if TOLVARIN_LIBDEFLATE
    thread_local Compressor deflater;
    if (deflater.c && !content.empty()) {
        // Not zeroed: only what the deflated part fills is ever touched.
        const std::size_t bound = libdeflate_deflate_compress_bound(deflater.c, content.size()) + content.size() / 2;
        r.packed.reset(new char[bound]);
        preferHugePages(r.packed.get(), bound);
        r.packedSize = deflateWhole(deflater.c, content, r.packed.get(), bound);
        r.size = content.size();
        r.crc = libdeflate_crc32(0, content.data(), content.size());
        if (r.packedSize) content = std::string();
    }
#endif
    r.content = std::move(content);
    replaced_.insert_or_assign(std::string(name), std::move(r));
}

void ZipPackage::replace(std::string_view name, const std::vector<ContentPiece>& pieces) {
    std::size_t size = 0;
    for (const ContentPiece& p : pieces) size += p.size;
#if TOLVARIN_ISAL
    if (Replacement r; size >= kIsalFrom && deflateAsMade(pieces, r)) {
        replaced_.insert_or_assign(std::string(name), std::move(r));
        return;
    }
#endif
    // Made whole, then deflated as any new content is.
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
#if TOLVARIN_LIBDEFLATE
        zip_source_t* data = replacement.packedSize == 0
                                 ? zip_source_buffer(zip_, content.data(), content.size(), 0)
                                 : zip_source_function(zip_, packedSource, &replacement);
#else
        zip_source_t* data = zip_source_buffer(zip_, content.data(), content.size(), 0);
#endif
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
    return {};
}

}  // namespace tolvarin
