// Word 97-2003 documents (.doc) are made DOCX by LibreOffice, when it is installed, and
// then converted in place like any DOCX. One LibreOffice profile serves a whole run (a
// fresh one costs seconds of LibreOffice's start for each file), a batch's documents go
// to LibreOffice in one call, and what LibreOffice starts is ended whole at a deadline.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tolvarin {

class WordBinaryConverter {
public:
    WordBinaryConverter() = default;
    WordBinaryConverter(const WordBinaryConverter&) = delete;
    WordBinaryConverter& operator=(const WordBinaryConverter&) = delete;
    // Removes the profile and every file it made.
    ~WordBinaryConverter();

    // The DOCX LibreOffice makes of the .doc in `doc`, into `docx`. Returns an empty
    // string, or what went wrong for a person (LibreOffice missing included).
    std::string toDocx(std::string_view doc, std::string& docx);
    // Has LibreOffice make the DOCX of each document in one call, for toDocx() to give.
    void prepare(const std::vector<std::string_view>& docs);

private:
    // The folder of this run's profile and files; empty string, or what went wrong.
    std::string folder();
    // Converts docs into made_; returns an empty string or what went wrong with all of them.
    std::string convert(const std::vector<std::string_view>& docs);

    std::filesystem::path folder_;
    unsigned calls_ = 0;
    struct Made {
        std::string docx, error;
    };
    std::map<std::string, Made, std::less<>> made_;  // by the .doc's bytes
};

}  // namespace tolvarin
