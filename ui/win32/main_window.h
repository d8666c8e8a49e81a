// The program's one window on Windows, drawn with the system's own controls. It does
// what the Qt window does on Linux, through the same shared rules and conversion pass.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "conversion_pass.h"
#include "text_window.h"
#include "model/document.h"
#include "window_rules.h"

namespace tolvarin::win32 {

inline constexpr wchar_t kWindowClass[] = L"TolvarinWindow";
// WM_COPYDATA's tag for a file that a second start hands over (UTF-16, no NUL).
inline constexpr ULONG_PTR kHandOverTag = 0x546F6C76;

class MainWindow final : public PassHost {
public:
    MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow() override;

    // Makes the window, hidden, centred on the screen with its client area at the
    // layout's size for the window's DPI.
    bool create(HINSTANCE instance);
    void show(int showCommand);
    // Runs until the window is gone; returns the exit code.
    int run();

    // Loads a file as if it had been chosen in the Open dialog.
    bool openInput(const std::wstring& path);
    HWND handle() const { return window_; }

    // PassHost
    void setControlEnabled(LockedControl control, bool enabled) override;
    void setBusyCursor(bool busy) override;
    void setStatus(std::string_view text) override;
    bool processEvents() override;
    std::filesystem::path outputPath() override;
    void showMessage(std::string_view text) override;
    void showError(std::string_view text) override;
    bool askYesNo(std::string_view question) override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Key preview and dialog keys, before a message reaches its control. True when taken.
    bool preTranslate(MSG& message);
    void createControls();
    void applyLayout();
    void makeFonts();
    void sizeStatus();
    void applyEnablingRule();
    void deriveOutputName();
    void cmdOpenClick();
    void cmdBrowseClick();
    void convertClick();
    void requestQuit();
    void moveFocus(bool backwards);
    std::wstring text(Control control) const;
    void setText(Control control, const std::wstring& value);
    HWND& control(Control c) { return controls_[std::size_t(c)]; }
    HWND control(Control c) const { return controls_[std::size_t(c)]; }
    int pixels(int twips) const { return twipsToPixels(twips, dpi_); }

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    HWND tips_ = nullptr;
    HWND focusOnReturn_ = nullptr;  // the control with the focus when the window was last left
    std::array<HWND, kLayout.size()> controls_{};  // one for each control the layout places
    int dpi_ = 96;
    HFONT arial_ = nullptr;
    HFONT arialBold_ = nullptr;
    HFONT messageFont_ = nullptr;
    HBRUSH noticeBrush_ = nullptr;
    HICON icon_ = nullptr;
    TextWindow textWindow_;

    Document rtbSource_;
    Document HideRTB_;
    Document rtbDestination_;
    std::wstring txtFilename_;
    std::filesystem::path handedFile_;  // a file a second start handed over, opened once its message returns

    bool timerOn_ = true;
    bool busy_ = false;
    bool quitting_ = false;
    unsigned eventRequests_ = 0;
    std::uint64_t lastEvents_ = 0;
};

}  // namespace tolvarin::win32
