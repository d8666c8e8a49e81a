// A document package (DOCX, ODT): a zip archive read from memory, some of whose
// members are replaced; every other member keeps its compressed bytes and its place.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "office/deflate.h"

struct zip;
struct zip_source;

namespace tolvarin {

// An archive whose members would unpack to more than this is refused as it is opened:
// no document comes near it, and a zip bomb must not fill the memory.
inline constexpr std::uint64_t kMaxUnpackedSize = std::uint64_t(1) << 30;

class ZipPackage {
public:
    ZipPackage() = default;
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;
    ~ZipPackage();

    // Opens the archive in `bytes`. Returns an empty
    // string, or what is wrong with it for a person: damaged, password-protected,
    // a member path leaving the archive's folder, too large when unpacked.
    std::string open(std::string_view bytes);

    const std::vector<std::string>& members() const { return names_; }
    bool has(std::string_view name) const;
    // The member unpacked into `out`. Returns an empty string, or what went wrong.
    std::string read(std::string_view name, std::string& out) const;

    // Replaces a member's content for save(); its name, place and date stay.
    void replace(std::string_view name, std::string content);
    // A stretch of a member's new content: about `size` bytes, which `make` hands to its
    // sink in order.
    using ContentPiece = deflate::ContentPiece;
    // As replace(), with the content made piece by piece, two pieces on two threads at
    // once, and deflated as it is made where that can be: a long part is then never
    // whole in memory. The pieces are made, and whatever they refer to is done with,
    // before it returns: what a splice points into may go as soon as it has.
    void replace(std::string_view name, const std::vector<ContentPiece>& pieces);
    bool changed() const { return !replaced_.empty(); }

    struct Replacement;
    // What replace() keeps of a member's new content, made beforehand on any thread (the
    // content deflated where it can be), and handed to it.
    static Replacement prepare(std::string content);
    void replace(std::string_view name, Replacement replacement);
    // The archive with the replaced members, into `out`. Returns an empty string, or
    // what went wrong.
    std::string save(std::string& out);

    // What replaces a member: its content, or that content deflated already (`packed`).
    struct Replacement {
        std::string content;
        deflate::Packed packed;
        std::size_t readAt = 0;  // how much of `packed` libzip has taken
    };

private:
    ::zip* zip_ = nullptr;
    ::zip_source* source_ = nullptr;
    std::size_t archiveSize_ = 0;
    std::vector<std::string> names_;
    std::unordered_set<std::string_view> named_;  // names_, to look up: a deck has thousands of members
    std::map<std::string, Replacement, std::less<>> replaced_;
};

}  // namespace tolvarin
