#include "office/zip_headers.h"

namespace tolvarin::ziprecords {
namespace {

constexpr std::uint32_t kLocal = 0x04034b50, kCentral = 0x02014b50, kEnd = 0x06054b50;
constexpr std::uint16_t kDataDescriptor = 1 << 3;

std::uint16_t u16(std::string_view s, std::size_t at) {
    return std::uint16_t(std::uint8_t(s[at]) | std::uint8_t(s[at + 1]) << 8);
}
std::uint32_t u32(std::string_view s, std::size_t at) { return std::uint32_t(u16(s, at)) | std::uint32_t(u16(s, at + 2)) << 16; }
void put16(std::string& s, std::size_t at, std::uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}

}  // namespace

bool readMembers(std::string_view a, std::vector<Member>& members) {
    members.clear();
    // The end record: the last 22 bytes, before a comment of at most 64 KiB.
    if (a.size() < 22) return false;
    std::size_t end = a.size() - 22;
    const std::size_t lowest = a.size() > 22 + 0xFFFF ? a.size() - 22 - 0xFFFF : 0;
    while (u32(a, end) != kEnd) {
        if (end == lowest) return false;
        --end;
    }
    const std::size_t count = u16(a, end + 10);
    std::size_t at = u32(a, end + 16);
    for (std::size_t i = 0; i < count; ++i) {
        if (at + 46 > a.size() || u32(a, at) != kCentral) return false;
        Member m;
        m.centralAt = at;
        Record& c = m.central;
        c.versionNeeded = u16(a, at + 6);
        c.flags = u16(a, at + 8);
        c.method = u16(a, at + 10);
        c.time = u16(a, at + 12);
        c.date = u16(a, at + 14);
        c.crc = u32(a, at + 16);
        c.packedSize = u32(a, at + 20);
        c.size = u32(a, at + 24);
        const std::size_t nameLength = u16(a, at + 28), extra = u16(a, at + 30), comment = u16(a, at + 32);
        const std::size_t local = u32(a, at + 42);
        if (at + 46 + nameLength > a.size() || c.packedSize == 0xFFFFFFFF || local == 0xFFFFFFFF) return false;
        c.name = a.substr(at + 46, nameLength);
        if (local + 30 > a.size() || u32(a, local) != kLocal) return false;
        Record& l = m.local;
        l.versionNeeded = u16(a, local + 4);
        l.flags = u16(a, local + 6);
        l.method = u16(a, local + 8);
        l.time = u16(a, local + 10);
        l.date = u16(a, local + 12);
        l.crc = u32(a, local + 14);
        l.packedSize = u32(a, local + 18);
        l.size = u32(a, local + 22);
        const std::size_t localName = u16(a, local + 26);
        if (local + 30 + localName > a.size()) return false;
        l.name = a.substr(local + 30, localName);
        members.push_back(m);
        at += 46 + nameLength + extra + comment;
    }
    return true;
}

void alignCentralDirectory(std::string& archive) {
    std::vector<Member> members;
    if (!readMembers(archive, members)) return;
    for (const Member& m : members) {
        put16(archive, m.centralAt + 6, m.local.versionNeeded);
        put16(archive, m.centralAt + 8, m.local.flags);
        put16(archive, m.centralAt + 12, m.local.time);
        put16(archive, m.centralAt + 14, m.local.date);
    }
}

std::string disagreements(std::string_view archive) {
    std::vector<Member> members;
    if (!readMembers(archive, members)) return "the archive's records cannot be read";
    std::string out;
    for (const Member& m : members) {
        const Record &l = m.local, &c = m.central;
        const bool described = (l.flags & kDataDescriptor) != 0;
        std::string fields;
        const auto check = [&](const char* what, bool same) {
            if (!same) fields += std::string(fields.empty() ? "" : ", ") + what;
        };
        check("version needed", l.versionNeeded == c.versionNeeded);
        check("flags", l.flags == c.flags);
        check("method", l.method == c.method);
        check("time", l.time == c.time && l.date == c.date);
        check("checksum", l.crc == c.crc || (described && l.crc == 0));
        check("packed size", l.packedSize == c.packedSize || (described && l.packedSize == 0));
        check("size", l.size == c.size || (described && l.size == 0));
        check("name", l.name == c.name);
        if (!fields.empty()) out += std::string(c.name) + ": " + fields + "\n";
    }
    return out;
}

}  // namespace tolvarin::ziprecords
