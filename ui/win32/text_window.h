// The text window on Windows: what the Qt one does, with the system's own controls.
// Unicode Malayalam and a legacy font's codes, each converted into the other as it is
// typed; a word processor's RTF pasted with its fonts; either copied.
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace tolvarin::win32 {

inline constexpr wchar_t kTextWindowClass[] = L"TolvarinText";

class TextWindow {
public:
    TextWindow() = default;
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;
    ~TextWindow();

    // Shows the window, made at the first call, owned by `owner`.
    void show(HINSTANCE instance, HWND owner);
    // Tab, access keys and Escape in the window. True when taken.
    bool preTranslate(MSG& message);
    HWND handle() const { return window_; }

private:
    enum Part { UnicodeLabel, UnicodePane, FontLabel, FontList, CodesLabel, CodesPane, Said, CopyUnicode, CopyCodes,
                Close, kParts };
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK paneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void create(HINSTANCE instance, HWND owner);
    void layOut();
    std::string font() const;
    std::string paneText(Part pane) const;
    void setPaneText(Part pane, const std::string& utf8);
    void unicodeChanged();
    void codesChanged();
    void fontChanged();
    void say(const std::string& text);
    // A word processor's RTF on the clipboard, read into `pane`; false where there is none.
    bool pasteRtf(Part pane);
    void copy(Part pane);
    int pixels(int at96) const { return MulDiv(at96, dpi_, 96); }

    HWND window_ = nullptr;
    std::array<HWND, kParts> parts_{};
    HFONT uiFont_ = nullptr;
    HFONT unicodeFont_ = nullptr;
    HFONT codesFont_ = nullptr;
    int dpi_ = 96;
    bool writing_ = false;    // a pane is being filled from the other
    bool fromCodes_ = false;  // the codes pane was typed in last
};

}  // namespace tolvarin::win32
