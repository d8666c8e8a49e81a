// What both windows must do alike, as tables: the Qt window's tests and the shared
// rules' tests read them, and the Windows window calls those rules.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvarin::test {

// The enabling rule: the two path texts and what they make of Convert and the output row.
struct EnablingCase {
    const char* input;
    const char* output;
    bool convert;
    bool outputRow;
};
inline constexpr EnablingCase kEnablingCases[] = {
    {"", "", false, false},   {"a", "", false, false},  {"a", "bb", false, false}, {"ab", "", false, true},
    {"ab", "c", false, true}, {"ab", "cd", true, true}, {"", "cd", false, false},
};

// tests/data/window_layout.tsv: each control's place at 96 dpi and its caption.
struct LayoutRow {
    std::string control;
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
};
inline std::vector<LayoutRow> windowLayout() {
    std::vector<LayoutRow> rows;
    std::ifstream in(dataDir() / "window_layout.tsv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        LayoutRow row;
        std::string x, y, w, h;
        std::getline(fields, row.control, '\t');
        std::getline(fields, x, '\t');
        std::getline(fields, y, '\t');
        std::getline(fields, w, '\t');
        std::getline(fields, h, '\t');
        std::getline(fields, row.caption);
        row.x = std::stoi(x), row.y = std::stoi(y), row.width = std::stoi(w), row.height = std::stoi(h);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace tolvarin::test
