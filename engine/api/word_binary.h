// Word 97-2003 documents (.doc) are converted to DOCX by LibreOffice, when it is
// installed, and then converted in place like any DOCX.
#pragma once

#include <string>
#include <string_view>

namespace tolvarin {

// The DOCX LibreOffice makes of the .doc in `doc`, into `docx`. Returns an empty
// string, or what went wrong for a person (LibreOffice missing included).
std::string wordBinaryToDocx(std::string_view doc, std::string& docx);

}  // namespace tolvarin
