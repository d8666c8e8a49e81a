#include "text_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "api/text_pane.h"
#include "core/conversion_options.h"
#include "settings.h"
#include "wide_text.h"
#include "window_rules.h"

namespace tolvarin::win32 {
namespace {

constexpr int kFirstId = 200;
const wchar_t kFontValue[] = L"textFont";

// Edit controls break lines as CR LF; the engine's text as LF.
std::wstring withCrLf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\n') out += L'\r';
        out += c;
    }
    return out;
}

UINT rtfFormat() {
    static const UINT format = RegisterClipboardFormatW(L"Rich Text Format");
    return format;
}

// The letter after the "&" of a caption, as a virtual key; 0 where none.
WPARAM accessKey(std::string_view caption) {
    const std::size_t amp = caption.find('&');
    return amp == std::string_view::npos || amp + 1 >= caption.size()
               ? 0
               : WPARAM(std::toupper(static_cast<unsigned char>(caption[amp + 1])));
}

void putOnClipboard(HWND owner, UINT format, const void* data, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return;
    if (void* at = GlobalLock(memory)) {
        std::memcpy(at, data, size);
        GlobalUnlock(memory);
        if (SetClipboardData(format, memory)) return;
    }
    GlobalFree(memory);
    (void)owner;
}

}  // namespace

TextWindow::~TextWindow() {
    if (window_) DestroyWindow(window_);
    for (HFONT f : {uiFont_, unicodeFont_, codesFont_})
        if (f) DeleteObject(f);
}

void TextWindow::show(HINSTANCE instance, HWND owner) {
    if (!window_) create(instance, owner);
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(parts_[UnicodePane]);
}

void TextWindow::create(HINSTANCE instance, HWND owner) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kTextWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when the class is there already
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kTextWindowClass, widen(window_text::kTextTitle).c_str(),
                              WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner, nullptr, instance,
                              this);
    if (!window_) return;
    HDC screen = GetDC(window_);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(window_, screen);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        uiFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW malayalam{};
    malayalam.lfHeight = -MulDiv(13, dpi_, 72);
    malayalam.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(malayalam.lfFaceName, L"Nirmala UI");
    unicodeFont_ = CreateFontIndirectW(&malayalam);

    namespace text = window_text;
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD pane = child | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    const struct {
        Part part;
        const wchar_t* windowClass;
        std::string_view caption;
        DWORD style;
        DWORD exStyle;
    } made[] = {
        {UnicodeLabel, L"STATIC", text::kTextUnicodeLabel, child, 0},
        {UnicodePane, L"EDIT", "", pane, WS_EX_CLIENTEDGE},
        {FontLabel, L"STATIC", text::kTextFontLabel, child, 0},
        {FontList, WC_COMBOBOXW, "", child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
        {CodesLabel, L"STATIC", text::kTextCodesLabel, child, 0},
        {CodesPane, L"EDIT", "", pane, WS_EX_CLIENTEDGE},
        {Said, L"STATIC", text::kTextHint, child, 0},
        {CopyUnicode, L"BUTTON", text::kCopyUnicode, child | WS_TABSTOP | BS_PUSHBUTTON, 0},
        {CopyCodes, L"BUTTON", text::kCopyCodes, child | WS_TABSTOP | BS_PUSHBUTTON, 0},
        {Close, L"BUTTON", text::kCloseText, child | WS_TABSTOP | BS_PUSHBUTTON, 0},
    };
    for (const auto& m : made) {
        parts_[m.part] = CreateWindowExW(m.exStyle, m.windowClass, widen(m.caption).c_str(), m.style, 0, 0, 0, 0,
                                         window_, reinterpret_cast<HMENU>(INT_PTR(kFirstId + m.part)), instance,
                                         nullptr);
        SendMessageW(parts_[m.part], WM_SETFONT, WPARAM(uiFont_), FALSE);
    }
    SendMessageW(parts_[UnicodePane], WM_SETFONT, WPARAM(unicodeFont_), FALSE);
    for (Part p : {UnicodePane, CodesPane}) {
        SetWindowSubclass(parts_[p], paneProc, UINT_PTR(p), reinterpret_cast<DWORD_PTR>(this));
        SendMessageW(parts_[p], EM_SETLIMITTEXT, 0, 0);  // as much as memory holds
    }
    // ML-TTRevathi, then the legacy fonts as the main window lists them.
    const std::vector<ConversionTarget>& targets = conversionTargets();
    for (std::size_t k = 0; k < targets.size(); ++k)
        if (k != conversionTargetIndex(kUnicodeTarget))
            SendMessageW(parts_[FontList], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(targets[k].caption).c_str()));
    const std::wstring remembered = rememberedText(kFontValue, L"ML-TTKarthika");
    const LRESULT at =
        SendMessageW(parts_[FontList], CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(remembered.c_str()));
    SendMessageW(parts_[FontList], CB_SETCURSEL, at == CB_ERR ? 0 : WPARAM(at), 0);

    RECT frame{0, 0, pixels(560), pixels(420)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
    fontChanged();
}

void TextWindow::layOut() {
    RECT client{};
    GetClientRect(window_, &client);
    const int w = client.right, h = client.bottom, m = pixels(8), line = pixels(16), row = pixels(24);
    const int paneHeight = std::max(pixels(40), (h - 2 * m - 3 * line - 2 * row - pixels(32) - 4 * pixels(4)) / 2);
    int y = m;
    const auto put = [&](Part p, int x, int top, int width, int height) {
        SetWindowPos(parts_[p], nullptr, x, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    put(UnicodeLabel, m, y, w - 2 * m, line);
    y += line + pixels(2);
    put(UnicodePane, m, y, w - 2 * m, paneHeight);
    y += paneHeight + pixels(6);
    put(FontLabel, m, y + pixels(4), pixels(80), line);
    put(FontList, m + pixels(84), y, w - 2 * m - pixels(84), pixels(300));
    y += row + pixels(2);
    put(CodesLabel, m, y, w - 2 * m, line);
    y += line + pixels(2);
    put(CodesPane, m, y, w - 2 * m, paneHeight);
    y += paneHeight + pixels(4);
    put(Said, m, y, w - 2 * m, pixels(32));
    y = h - m - row;
    put(CopyUnicode, m, y, pixels(110), row);
    put(CopyCodes, m + pixels(116), y, pixels(110), row);
    put(Close, w - m - pixels(80), y, pixels(80), row);
}

std::string TextWindow::font() const {
    const LRESULT chosen = SendMessageW(parts_[FontList], CB_GETCURSEL, 0, 0);
    const std::vector<ConversionTarget>& targets = conversionTargets();
    // The list holds every target but Unicode's, in order.
    std::size_t index = chosen == CB_ERR ? 0 : std::size_t(chosen);
    if (index >= conversionTargetIndex(kUnicodeTarget)) ++index;
    return index < targets.size() ? targets[index].name : std::string(kRevathiTarget);
}

std::string TextWindow::paneText(Part pane) const {
    const int n = GetWindowTextLengthW(parts_[pane]);
    std::wstring text(std::size_t(n) + 1, L'\0');
    GetWindowTextW(parts_[pane], text.data(), n + 1);
    text.resize(std::size_t(n));
    std::wstring plain;
    for (wchar_t c : text)
        if (c != L'\r') plain += c;
    return narrow(plain);
}

void TextWindow::setPaneText(Part pane, const std::string& utf8) {
    writing_ = true;
    SetWindowTextW(parts_[pane], withCrLf(widen(utf8)).c_str());
    writing_ = false;
}

void TextWindow::say(const std::string& text) {
    SetWindowTextW(parts_[Said], widen(text.empty() ? std::string(window_text::kTextHint) : text).c_str());
}

void TextWindow::unicodeChanged() {
    fromCodes_ = false;
    const PaneText codes = unicodeToFont(paneText(UnicodePane), font());
    setPaneText(CodesPane, codes.ok ? codes.text : std::string());
    ConversionReport report = codes.report;
    report.toFont = font();
    say(codes.ok ? notDrawnNote(report) : codes.error);
}

void TextWindow::codesChanged() {
    fromCodes_ = true;
    const PaneText unicode = fontToUnicode(paneText(CodesPane), font());
    setPaneText(UnicodePane, unicode.ok ? unicode.text : std::string());
    say(unicode.ok ? (unicode.report.kept() ? keptCharactersNote(unicode.report.kept()) : std::string()) : unicode.error);
}

void TextWindow::fontChanged() {
    // The codes are shown in their font where it is installed.
    if (codesFont_) DeleteObject(codesFont_);
    LOGFONTW codes{};
    codes.lfHeight = -MulDiv(13, dpi_, 72);
    codes.lfCharSet = DEFAULT_CHARSET;
    const std::wstring name = widen(font());
    wcsncpy_s(codes.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    codesFont_ = CreateFontIndirectW(&codes);
    SendMessageW(parts_[CodesPane], WM_SETFONT, WPARAM(codesFont_), TRUE);
    rememberText(kFontValue, name);
    // The text the user typed stays; the other pane follows it.
    if (fromCodes_) codesChanged();
    else unicodeChanged();
}

bool TextWindow::pasteRtf(Part pane) {
    if (!IsClipboardFormatAvailable(rtfFormat()) || !OpenClipboard(window_)) return false;
    std::string rtf;
    if (HANDLE data = GetClipboardData(rtfFormat())) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            rtf.assign(bytes, strnlen(bytes, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    PaneText read = clipboardRtfToUnicode(rtf);
    if (!read.ok) return false;
    if (!read.text.empty() && read.text.back() == '\n') read.text.pop_back();  // the last paragraph's mark
    if (pane == CodesPane) {
        const PaneText codes = unicodeToFont(read.text, font());
        if (!codes.ok) return false;
        read.text = codes.text;
    }
    SendMessageW(parts_[pane], EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(withCrLf(widen(read.text)).c_str()));
    return true;
}

void TextWindow::copy(Part pane) {
    const std::string utf8 = paneText(pane);
    const std::wstring wide = withCrLf(widen(utf8));
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    putOnClipboard(window_, CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    if (pane == CodesPane) {
        // RTF in the font for a word processor; the text for a desktop-publishing program.
        const std::string rtf = codesAsRtf(utf8, font());
        putOnClipboard(window_, rtfFormat(), rtf.c_str(), rtf.size() + 1);
    }
    CloseClipboard();
}

bool TextWindow::preTranslate(MSG& message) {
    if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        ShowWindow(window_, SW_HIDE);
        return true;
    }
    // Tab moves between the controls (a multi-line box would take it as a character).
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000)) {
        HWND next = GetNextDlgTabItem(window_, GetFocus(), (GetKeyState(VK_SHIFT) & 0x8000) != 0);
        if (next) SetFocus(next);
        return true;
    }
    // A label's access key takes the focus to what it names.
    if (message.message == WM_SYSKEYDOWN && (GetKeyState(VK_MENU) & 0x8000)) {
        const std::pair<std::string_view, Part> labels[] = {{window_text::kTextUnicodeLabel, UnicodePane},
                                                           {window_text::kTextFontLabel, FontList},
                                                           {window_text::kTextCodesLabel, CodesPane}};
        for (const auto& [caption, part] : labels)
            if (message.wParam == accessKey(caption)) {
                SetFocus(parts_[part]);
                return true;
            }
    }
    return IsDialogMessageW(window_, &message);
}

LRESULT CALLBACK TextWindow::paneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self) {
    if (message == WM_PASTE && reinterpret_cast<TextWindow*>(self)->pasteRtf(Part(id))) return 0;
    // A multi-line box in a window that is not a dialog: Ctrl+A selects everything.
    if (message == WM_CHAR && wParam == 1) {
        SendMessageW(pane, EM_SETSEL, 0, -1);
        return 0;
    }
    return DefSubclassProc(pane, message, wParam, lParam);
}

LRESULT CALLBACK TextWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TextWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
    return self->onMessage(message, wParam, lParam);
}

LRESULT TextWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam) - kFirstId;
        const int code = HIWORD(wParam);
        if (code == EN_CHANGE && !writing_ && id == UnicodePane) unicodeChanged();
        else if (code == EN_CHANGE && !writing_ && id == CodesPane) codesChanged();
        else if (code == CBN_SELCHANGE && id == FontList) fontChanged();
        else if (code == BN_CLICKED && id == CopyUnicode) copy(UnicodePane);
        else if (code == BN_CLICKED && id == CopyCodes) copy(CodesPane);
        else if (code == BN_CLICKED && id == Close) ShowWindow(window_, SW_HIDE);
        return 0;
    }
    case WM_SIZE:
        layOut();
        return 0;
    case WM_CLOSE:
        // Closed, it is only hidden: what it held is there when it is opened again.
        ShowWindow(window_, SW_HIDE);
        return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace tolvarin::win32
