// What a file that is no document Tolvarin converts holds, told by its content: a
// presentation or spreadsheet, a zip of another kind, an Office 97-2003 file that is no
// Word document, an image, a PDF. A person is told what the file is rather than that it
// is not RTF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvarin {

// "a PowerPoint presentation", "an EPUB book", "a PDF document" ...; empty for a file
// that may be a document Tolvarin converts (RTF, DOCX, ODT, a Word 97-2003 document),
// and for one too damaged to tell, which the readers then refuse with their own reason.
std::string_view foreignFileKind(std::string_view bytes);

// A member a zip archive's central directory lists.
struct ZipMember {
    std::string_view name;
    std::string_view storedData;  // the member's bytes when kept uncompressed, else empty
};
// The members of the zip archive in `bytes`, as far as its central directory can be read:
// false when it cannot be read whole (a damaged or cut archive, or zip64).
bool zipMembers(std::string_view bytes, std::vector<ZipMember>& members);

// What is said of such a file: what it is, and what Tolvarin converts.
std::string foreignFileMessage(std::string_view kind);

}  // namespace tolvarin
