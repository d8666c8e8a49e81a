// Looks at the running Tolvarin window from another process, as an accessibility tool
// would, for the scripted sessions under Wine: its client area and controls, the
// dialogs it opens, its message boxes. Every wait has a deadline.
//   window_probe layout            client size, then each control: class|text|x,y,w,h|enabled|checked
//   window_probe text              the text window's controls, as layout prints them
//   window_probe count             how many Tolvarin windows are open
//   window_probe wait TITLE SECS   until a window of that title shows (exit 1 at the deadline)
//   window_probe gone TITLE SECS   until no window of that title shows
//   window_probe message SECS      until a message box of the window shows; prints its text
//   window_probe dpi               the screen's dots per inch
//   window_probe focus             the id of the control that has the focus (100 + its tab place)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "wide_text.h"

namespace {

using tolvarin::win32::narrow;
using tolvarin::win32::widen;

const wchar_t kWindowClass[] = L"TolvarinWindow";

std::wstring textOf(HWND w) {
    wchar_t buffer[4096] = {};
    SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring classOf(HWND w) {
    wchar_t buffer[256] = {};
    GetClassNameW(w, buffer, 256);
    return buffer;
}

struct Found {
    std::wstring title;
    std::wstring windowClass;  // empty: any
    std::vector<HWND> windows;
};

BOOL CALLBACK collect(HWND w, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    if (!IsWindowVisible(w)) return TRUE;
    if (!found->windowClass.empty() && classOf(w) != found->windowClass) return TRUE;
    if (!found->title.empty() && textOf(w) != found->title) return TRUE;
    found->windows.push_back(w);
    return TRUE;
}

std::vector<HWND> topWindows(const std::wstring& title, const std::wstring& windowClass) {
    Found found{title, windowClass, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

BOOL CALLBACK printChild(HWND w, LPARAM parent) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, HWND(parent), reinterpret_cast<POINT*>(&r), 2);
    DWORD_PTR checked = 0;
    if (classOf(w) == L"Button")
        SendMessageTimeoutW(w, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &checked);
    std::printf("%s|%s|%ld,%ld,%ld,%ld|%d|%d\n", narrow(classOf(w)).c_str(), narrow(textOf(w)).c_str(), r.left, r.top,
                r.right - r.left, r.bottom - r.top, IsWindowEnabled(w) ? 1 : 0, checked == BST_CHECKED ? 1 : 0);
    return TRUE;
}

BOOL CALLBACK printStatic(HWND w, LPARAM) {
    if (classOf(w) == L"Static" && !textOf(w).empty()) std::printf("%s\n", narrow(textOf(w)).c_str());
    return TRUE;
}

// Polls until `ready` holds or `seconds` pass.
template <class Ready>
bool waitFor(double seconds, Ready ready) {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(seconds * 1000);
    while (!ready()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(100);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "count") {
        std::printf("%zu\n", topWindows(L"", kWindowClass).size());
        return 0;
    }
    if (command == "dpi") {
        HDC screen = GetDC(nullptr);
        std::printf("%d\n", GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
        return 0;
    }
    if (command == "layout") {
        HWND main = FindWindowW(kWindowClass, nullptr);
        if (!main) return 1;
        RECT client{};
        GetClientRect(main, &client);
        std::printf("client|%s|%ld,%ld\n", narrow(textOf(main)).c_str(), client.right, client.bottom);
        EnumChildWindows(main, printChild, reinterpret_cast<LPARAM>(main));
        return 0;
    }
    if (command == "text") {
        HWND text = FindWindowW(L"TolvarinText", nullptr);
        if (!text || !IsWindowVisible(text)) return 1;
        EnumChildWindows(text, printChild, reinterpret_cast<LPARAM>(text));
        return 0;
    }
    if (command == "focus") {
        HWND main = FindWindowW(kWindowClass, nullptr);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!main || !GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) || !info.hwndFocus) return 1;
        std::printf("%d\n", GetDlgCtrlID(info.hwndFocus));
        return 0;
    }
    if ((command == "wait" || command == "gone") && argc > 3) {
        const std::wstring title = widen(argv[2]);
        const bool shown = command == "wait";
        return waitFor(std::atof(argv[3]), [&] { return topWindows(title, L"").empty() != shown; }) ? 0 : 1;
    }
    if (command == "message" && argc > 2) {
        HWND main = FindWindowW(kWindowClass, nullptr);
        HWND box = nullptr;
        const bool found = waitFor(std::atof(argv[2]), [&] {
            for (HWND w : topWindows(L"Tolvarin", L"#32770"))
                if (GetWindow(w, GW_OWNER) == main) box = w;
            return box != nullptr;
        });
        if (!found) return 1;
        EnumChildWindows(box, printStatic, 0);
        return 0;
    }
    std::fprintf(stderr, "usage: window_probe layout|count|dpi|focus|wait TITLE SECS|gone TITLE SECS|message SECS\n");
    return 2;
}
