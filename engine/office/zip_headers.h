// The two records a zip archive keeps of each member, the local header before its data
// and the entry in the central directory at the end, read side by side: strict readers
// (.NET's packaging, unzip -t) refuse an archive whose two disagree.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvarin::ziprecords {

// What both records of a member hold.
struct Record {
    std::uint16_t versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, packedSize = 0, size = 0;
    std::string_view name;
};
struct Member {
    Record local, central;
    std::size_t centralAt = 0;  // where its central entry begins
};

// The members of the archive, both records each; false when the archive's records
// cannot be read (damaged, or in the 64-bit form).
bool readMembers(std::string_view archive, std::vector<Member>& members);

// Gives each central entry the version needed, flags and time its local header has: a
// copied member keeps its local header as its producer wrote it, where the central
// directory is written anew (and some producers let the two disagree). Changes nothing
// in an archive whose records cannot be read.
void alignCentralDirectory(std::string& archive);

// What differs between the two records of each member (a data descriptor's member may
// leave its checksum and sizes out of the local header), for a person; empty when none.
std::string disagreements(std::string_view archive);

}  // namespace tolvarin::ziprecords
