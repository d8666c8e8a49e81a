#include "office/deflate.h"

#if TOLVARIN_LIBDEFLATE
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "io/at_once.h"
#include "io/memory_hint.h"
#endif
#if TOLVARIN_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace tolvarin::deflate {

#if TOLVARIN_LIBDEFLATE
namespace {

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

// (De)compressors are costly to make, so each is made once and lent to one thread at a
// time. They are kept here rather than per thread: a worker thread's ending then frees
// nothing (MinGW's thread-exit destructors freed a thread's compressor into a heap already
// torn down).
template <typename T>
class Pool {
public:
    class Lease {
    public:
        Lease(Pool& pool, std::unique_ptr<T> item) : pool_(pool), item_(std::move(item)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease() { pool_.giveBack(std::move(item_)); }
        T* operator->() const { return item_.get(); }

    private:
        Pool& pool_;
        std::unique_ptr<T> item_;
    };
    Lease take() {
        std::unique_ptr<T> item;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                item = std::move(free_.back());
                free_.pop_back();
            }
        }
        return Lease(*this, item ? std::move(item) : std::make_unique<T>());
    }

private:
    void giveBack(std::unique_ptr<T> item) {
        const std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(std::move(item));
    }
    std::mutex mutex_;
    std::vector<std::unique_ptr<T>> free_;
};

template <typename T>
typename Pool<T>::Lease lent() {
    static Pool<T> pool;
    return pool.take();
}

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
                firstDone = ::deflate(&z, Z_SYNC_FLUSH) == Z_OK && z.avail_in == 0 && z.avail_out > 0;
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
bool deflateAsMade(const std::vector<ContentPiece>& pieces, Packed& r,
                   std::string_view first = {}) {
    if (pieces.empty() || pieces.size() > 2) return false;
    // Room for each piece's deflated bytes, as for a whole part, then moved together.
    std::vector<std::size_t> rooms, at;
    std::size_t room = 0;
    for (const ContentPiece& p : pieces) {
        at.push_back(room);
        rooms.push_back(p.size + p.size / 2 + 4096);
        room += rooms.back();
    }
    r.bytes.reset(new char[room]);
    preferHugePages(r.bytes.get(), room);
    std::vector<std::unique_ptr<DeflatingSink>> sinks;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        sinks.push_back(std::make_unique<DeflatingSink>(r.bytes.get() + at[i], rooms[i], i + 1 == pieces.size(),
                                                        i == 1 ? first : std::string_view()));
    std::vector<std::size_t> packed(pieces.size());
    const auto make = [&](std::size_t i) {
        pieces[i].make(*sinks[i]);
        packed[i] = sinks[i]->finish();
    };
    if (pieces.size() == 2) atOnce([&] { make(0); }, [&] { make(1); });
    else
        for (std::size_t i = 0; i < pieces.size(); ++i) make(i);
    r.size = 0;
    r.unpacked = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (packed[i] == 0) return false;
        std::memmove(r.bytes.get() + r.size, r.bytes.get() + at[i], packed[i]);
        r.size += packed[i];
        r.crc = i == 0 ? sinks[i]->crc()
                       : std::uint32_t(crc32_combine(r.crc, sinks[i]->crc(), z_off_t(sinks[i]->size())));
        r.unpacked += sinks[i]->size();
    }
    return true;
}

// New content deflated so, a long one in two halves at once.
bool deflateFast(std::string_view content, Packed& r) {
    const auto piece = [](std::string_view bytes) {
        return ContentPiece{bytes.size(), [bytes](ByteSink& sink) { sink.write(bytes); }};
    };
    if (content.size() < kTwoPiecesFrom || std::thread::hardware_concurrency() < 2)
        return deflateAsMade({piece(content)}, r);
    const std::string_view first = content.substr(0, content.size() / 2);
    return deflateAsMade({piece(first), piece(content.substr(first.size()))}, r, first);
}
#endif

}  // namespace

bool available() { return true; }

bool inflate(std::string_view packed, std::size_t size, std::uint32_t crc, std::string& out) {
    out.clear();
    reserveLarge(out, size);  // on huge pages before it is first touched
    out.resize(size);
#if TOLVARIN_ISAL
    // ISA-L inflates faster still, and checksums as it goes.
    if (packed.size() <= 0xFFFFFFFFu && out.size() <= 0xFFFFFFFFu) {
        auto state = std::make_unique<inflate_state>();
        isal_inflate_init(state.get());
        state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(packed.data()));
        state->avail_in = std::uint32_t(packed.size());
        state->next_out = reinterpret_cast<std::uint8_t*>(out.data());
        state->avail_out = std::uint32_t(out.size());
        state->crc_flag = ISAL_GZIP_NO_HDR;
        const int result = isal_inflate_stateless(state.get());
        if (result == ISAL_DECOMP_OK && state->block_state == ISAL_BLOCK_FINISH && state->total_out == out.size() &&
            state->crc == crc)
            return true;
        out.clear();
        return false;
    }
#endif
    const auto inflater = lent<Decompressor>();
    std::size_t got = 0;
    if (!inflater->d ||
        libdeflate_deflate_decompress(inflater->d, packed.data(), packed.size(), out.data(), out.size(), &got) !=
            LIBDEFLATE_SUCCESS ||
        got != out.size() || libdeflate_crc32(0, out.data(), out.size()) != crc) {
        out.clear();
        return false;
    }
    return true;
}

bool pack(std::string_view content, Packed& r) {
    if (content.empty()) return false;
#if TOLVARIN_ISAL
    if (content.size() >= kIsalFrom && deflateFast(content, r)) return true;
#endif
    const auto deflater = lent<Compressor>();
    if (!deflater->c) return false;
    // Not zeroed: only what the deflated part fills is ever touched.
    const std::size_t bound = libdeflate_deflate_compress_bound(deflater->c, content.size()) + content.size() / 2;
    r.bytes.reset(new char[bound]);
    preferHugePages(r.bytes.get(), bound);
    r.size = deflateWhole(deflater->c, content, r.bytes.get(), bound);
    r.unpacked = content.size();
    r.crc = libdeflate_crc32(0, content.data(), content.size());
    return r.size != 0;
}

bool packAsMade(const std::vector<ContentPiece>& pieces, Packed& r) {
#if TOLVARIN_ISAL
    std::size_t size = 0;
    for (const ContentPiece& p : pieces) size += p.size;
    return size >= kIsalFrom && deflateAsMade(pieces, r);
#else
    (void)pieces;
    (void)r;
    return false;
#endif
}

#else

bool available() { return false; }
bool inflate(std::string_view, std::size_t, std::uint32_t, std::string&) { return false; }
bool pack(std::string_view, Packed&) { return false; }
bool packAsMade(const std::vector<ContentPiece>&, Packed&) { return false; }

#endif

}  // namespace tolvarin::deflate
