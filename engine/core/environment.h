// What a conversion needs of the place it runs, beyond memory: threads for work done
// side by side, and another program (LibreOffice) to make a DOCX of a Word 97-2003
// document. A host without them (a browser page) says so here, and gets a clear "not
// available here" for what it lacks and a correct conversion of everything else.
// Files come and go as bytes and destinations: the host reads and saves them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvarin {

class Environment {
public:
    virtual ~Environment() = default;
    // Whether work may run on threads of its own; where not, all of it runs on the
    // calling thread.
    virtual bool threads() const = 0;
    // The DOCX made of the Word 97-2003 document `doc`, into `docx`. Returns an empty
    // string, or what went wrong for a person.
    virtual std::string wordBinaryToDocx(std::string_view doc, std::string& docx) = 0;
    // Word 97-2003 documents about to be converted: made DOCX together, where that is
    // quicker than one by one.
    virtual void prepareWordBinaries(const std::vector<std::string_view>& docs) { (void)docs; }
};

// What a host without other programs says of a Word 97-2003 document.
inline constexpr std::string_view kWordBinaryNeedsDesktop = "Word 97-2003 documents need the desktop program";

// A host with no threads and no other programs: everything runs on the caller's thread,
// and a Word 97-2003 document is refused.
class ContainedEnvironment : public Environment {
public:
    bool threads() const override { return false; }
    std::string wordBinaryToDocx(std::string_view, std::string&) override { return std::string(kWordBinaryNeedsDesktop); }
};

}  // namespace tolvarin
