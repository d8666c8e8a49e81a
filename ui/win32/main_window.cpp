#include "main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cctype>
#include <exception>
#include <vector>

#include "api/convert_document.h"
#include "dialogs.h"
#include "output_path.h"
#include "settings.h"
#include "wide_text.h"

namespace tolvarin::win32 {
namespace {

constexpr UINT kOpenHandedFile = WM_APP + 1;
constexpr int kFirstId = 100;  // a control's id: kFirstId + its place in Control
constexpr std::uint64_t kEventIntervalMs = 5;
constexpr std::size_t kMaxHandedChars = 32768;  // the longest path Windows takes

int idOf(Control c) { return kFirstId + int(c); }

// The per-monitor DPI calls, where the system has them (Windows 10 1607 on).
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

void* systemCall(const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name));
}

int dpiOf(HWND window) {
    static const auto get =
        reinterpret_cast<GetDpiForWindowFn>(systemCall("GetDpiForWindow"));
    if (get) return int(get(window));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

void adjustForDpi(RECT& r, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjust = reinterpret_cast<AdjustForDpiFn>(systemCall("AdjustWindowRectExForDpi"));
    if (adjust) adjust(&r, style, FALSE, exStyle, UINT(dpi));
    else AdjustWindowRectEx(&r, style, FALSE, exStyle);
}

Control controlOf(LockedControl c) {
    switch (c) {
    case LockedControl::CmdConvert: return Control::CmdConvert;
    case LockedControl::cmdQuit: return Control::cmdQuit;
    case LockedControl::Frame2: return Control::Frame2;
    case LockedControl::Frame1: return Control::Frame1;
    case LockedControl::txtInput: return Control::txtInput;
    case LockedControl::txtOutput: return Control::txtOutput;
    case LockedControl::cmdOpen: return Control::cmdOpen;
    case LockedControl::cmdBrowse: return Control::cmdBrowse;
    case LockedControl::cboConvertTo: return Control::cboConvertTo;
    case LockedControl::Timer1: break;
    }
    return Control::Frame1;
}

// The controls that take the focus, in tab order.
constexpr std::array<Control, 8> kTabOrder = {Control::txtInput,   Control::cmdOpen,      Control::txtOutput,
                                              Control::cmdBrowse,  Control::cboConvertTo, Control::CmdConvert,
                                              Control::cmdQuit,    Control::cmdText};

}  // namespace

MainWindow::~MainWindow() {
    if (window_) DestroyWindow(window_);
    for (HGDIOBJ o : {HGDIOBJ(arial_), HGDIOBJ(arialBold_), HGDIOBJ(messageFont_), HGDIOBJ(noticeBrush_)})
        if (o) DeleteObject(o);
}

bool MainWindow::create(HINSTANCE instance) {
    instance_ = instance;
    icon_ = LoadIconW(instance, MAKEINTRESOURCEW(1));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon_;
    windowClass.hIconSm = icon_;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return false;

    // A fixed single border: no resizing, no maximize button.
    // No WS_CLIPCHILDREN: a group box does not paint its inside, the window does.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    window_ = CreateWindowExW(exStyle, kWindowClass, widen(window_text::kTitle).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
    if (!window_) return false;
    dpi_ = dpiOf(window_);
    noticeBrush_ = CreateSolidBrush(RGB(255, 0, 0));
    makeFonts();
    createControls();
    applyLayout();

    // The client area at the layout's size, the window centred on the primary work area.
    RECT frame{0, 0, pixels(kClientWidth), pixels(kClientHeight)};
    adjustForDpi(frame, style, exStyle, dpi_);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    DragAcceptFiles(window_, TRUE);
    applyEnablingRule();
    return true;
}

void MainWindow::show(int showCommand) {
    focusOnReturn_ = control(Control::txtInput);
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    SetFocus(control(Control::txtInput));
}

void MainWindow::makeFonts() {
    for (HFONT* f : {&arial_, &arialBold_, &messageFont_})
        if (*f) DeleteObject(*f), *f = nullptr;
    // Arial 8.25 pt: 33/4 points of 1/72 inch.
    LOGFONTW arial{};
    arial.lfHeight = -MulDiv(33, dpi_, 288);
    arial.lfWeight = FW_NORMAL;
    arial.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(arial.lfFaceName, L"Arial");
    arial_ = CreateFontIndirectW(&arial);
    arial.lfWeight = FW_BOLD;
    arialBold_ = CreateFontIndirectW(&arial);
    // The system's message font, for what takes the window's default font.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        HDC screen = GetDC(nullptr);
        const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi_, systemDpi);
        messageFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    } else {
        messageFont_ = HFONT(GetStockObject(DEFAULT_GUI_FONT));
    }
}

void MainWindow::createControls() {
    namespace text = window_text;
    struct Made {
        Control control;
        const wchar_t* windowClass;
        std::string_view caption;
        DWORD style;
        DWORD exStyle;
    };
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    const DWORD box = child | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY;
    const DWORD button = child | WS_TABSTOP | BS_PUSHBUTTON;
    const Made made[] = {
        {Control::Frame1, L"BUTTON", text::kInputFrame, child | BS_GROUPBOX, 0},
        {Control::txtInput, L"EDIT", "", box, WS_EX_CLIENTEDGE},
        {Control::cmdOpen, L"BUTTON", text::kChooseButton, button, 0},
        {Control::Frame2, L"BUTTON", text::kOutputFrame, child | BS_GROUPBOX, 0},
        {Control::txtOutput, L"EDIT", "", box, WS_EX_CLIENTEDGE},
        {Control::cmdBrowse, L"BUTTON", text::kChooseButton, button, 0},
        // The label before its list: its access key moves the focus to the list.
        {Control::lblConvertTo, L"STATIC", text::kConvertToLabel, child | SS_LEFTNOWORDWRAP, 0},
        {Control::cboConvertTo, WC_COMBOBOXW, "", child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
        {Control::CmdConvert, L"BUTTON", text::kConvert, button, 0},
        {Control::cmdQuit, L"BUTTON", text::kQuit, button, 0},
        {Control::cmdText, L"BUTTON", text::kTextButton, button, 0},
        {Control::lblStatus, L"STATIC", text::kStartStatus, child | SS_LEFTNOWORDWRAP | SS_NOTIFY, 0},
        {Control::Label2, L"STATIC", text::kNotice, child | SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY, 0},
    };
    for (const Made& m : made) {
        control(m.control) =
            CreateWindowExW(m.exStyle, m.windowClass, widen(m.caption).c_str(), m.style, 0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(INT_PTR(idOf(m.control))), instance_, nullptr);
    }
    // The frames lie under their rows, and each "..." button over the end of its box.
    SetWindowPos(control(Control::Frame1), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(control(Control::Frame2), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(control(Control::cmdOpen), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(control(Control::cmdBrowse), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    for (const ConversionTarget& t : conversionTargets())
        SendMessageW(control(Control::cboConvertTo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(t.caption).c_str()));
    SendMessageW(control(Control::cboConvertTo), CB_SETCURSEL, WPARAM(rememberedTarget()), 0);

    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_,
                            nullptr);
    const std::string notice = text::noticeTip();
    const std::pair<Control, std::string_view> tips[] = {
        {Control::cmdOpen, text::kOpenTip},         {Control::cmdBrowse, text::kBrowseTip},
        {Control::cboConvertTo, text::kConvertToTip}, {Control::CmdConvert, text::kConvertTip},
        {Control::cmdQuit, text::kQuitTip},         {Control::cmdText, text::kTextTip},
        {Control::Label2, notice},
    };
    for (const auto& [c, tip] : tips) {
        std::wstring wide = widen(tip);
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = window_;
        info.uId = reinterpret_cast<UINT_PTR>(control(c));
        info.lpszText = wide.data();
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void MainWindow::applyLayout() {
    for (const Placement& p : kLayout) {
        int left = p.left;
        int top = p.top;
        if (p.frame) {
            left += placementOf(*p.frame).left;
            top += placementOf(*p.frame).top;
        }
        // A list's height is its closed box's and its open list's together.
        const int listHeight = p.control == Control::cboConvertTo ? pixels(16 * 195) : 0;
        SetWindowPos(control(p.control), nullptr, pixels(left), pixels(top), pixels(p.width),
                     pixels(p.height) + listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT font = p.control == Control::Label2                                     ? arialBold_
                     : p.control == Control::cmdOpen || p.control == Control::cmdBrowse ? messageFont_
                                                                                         : arial_;
        SendMessageW(control(p.control), WM_SETFONT, WPARAM(font), TRUE);
    }
    // The list's closed box as tall as the layout says: its text's height and its edges.
    SendMessageW(control(Control::cboConvertTo), CB_SETITEMHEIGHT, WPARAM(-1),
                 LPARAM(pixels(placementOf(Control::cboConvertTo).height) - 6));
    sizeStatus();
}

void MainWindow::sizeStatus() {
    // One line, as wide as its caption: it grows or shrinks to the right.
    HWND label = control(Control::lblStatus);
    const std::wstring caption = text(Control::lblStatus);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, arial_);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    const Placement& p = placementOf(Control::lblStatus);
    SetWindowPos(label, nullptr, pixels(p.left), pixels(p.top), size.cx, pixels(p.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
}

std::wstring MainWindow::text(Control c) const {
    HWND w = control(c);
    const int length = GetWindowTextLengthW(w);
    std::wstring value(std::size_t(length) + 1, L'\0');
    value.resize(std::size_t(GetWindowTextW(w, value.data(), length + 1)));
    return value;
}

void MainWindow::setText(Control c, const std::wstring& value) { SetWindowTextW(control(c), value.c_str()); }

void MainWindow::applyEnablingRule() {
    const EnabledStates states = enablingRule(asU16(text(Control::txtInput)), asU16(text(Control::txtOutput)));
    EnableWindow(control(Control::CmdConvert), states.convert);
    for (Control c : {Control::txtOutput, Control::Frame2, Control::cmdBrowse})
        EnableWindow(control(c), states.outputRow);
}

bool MainWindow::openInput(const std::wstring& path) {
    // Load into a fresh document first: a file that fails to load leaves the document
    // and the three paths as they were.
    Document loaded;
    const LoadResult result = loadDocumentFile(std::filesystem::path(path), loaded);
    if (!result) {
        showError("Cannot open " + narrow(path) + ":\n" + result.description);
        return false;
    }
    rtbSource_ = std::move(loaded);
    setText(Control::txtInput, path);
    setText(Control::txtOutput, asWide(FolderOf(asU16(text(Control::txtInput)))));
    deriveOutputName();
    return true;
}

void MainWindow::deriveOutputName() {
    txtFilename_ = asWide(
        outputFileFor(asU16(text(Control::txtInput)), asU16(text(Control::txtOutput)), rtbSource_.source()));
}

void MainWindow::cmdOpenClick() {
    const std::wstring path = showOpenDialog(window_);
    if (!path.empty()) openInput(path);
}

void MainWindow::cmdBrowseClick() {
    const std::wstring chosen =
        browseForFolder(window_, text(Control::txtOutput), widen(window_text::kBrowseTitle));
    if (chosen.empty()) return;
    setText(Control::txtOutput, chosen);
    deriveOutputName();
}

void MainWindow::convertClick() {
    if (busy_) return;
    busy_ = true;
    lastEvents_ = GetTickCount64();
    HWND focused = GetFocus();
    PassOutcome outcome;
    try {
        PassOptions options;
        const LRESULT chosen = SendMessageW(control(Control::cboConvertTo), CB_GETCURSEL, 0, 0);
        const ConversionOptions target = conversionTargetOptions(chosen == CB_ERR ? 0 : std::size_t(chosen));
        options.unicode = target.unicode;
        options.toFont = target.toFont;
        options.revathiForAnyText = chosen == 0 || chosen == CB_ERR;
        outcome = runConversionPass(rtbSource_, HideRTB_, rtbDestination_, *this, options);
    } catch (const std::exception& e) {
        // Out of memory or a position overflow: report it, keep the window usable.
        for (LockedControl c : kLockOrder) setControlEnabled(c, true);
        setBusyCursor(false);
        setStatus(std::string(kStatusNotSaved) + e.what());
        showError(std::string("The conversion failed: ") + e.what());
    }
    busy_ = false;
    if (outcome.status == PassOutcome::Status::Abandoned || quitting_) {
        DestroyWindow(window_);
        return;
    }
    // The pass moved the focus off the controls it locked: it goes back.
    SetFocus(focused && IsChild(window_, focused) && IsWindowEnabled(focused) ? focused : control(Control::txtInput));
}

void MainWindow::requestQuit() {
    quitting_ = true;
    // During a pass the walk sees it at its next event round and stops without saving;
    // the Convert handler then closes the window.
    if (!busy_) DestroyWindow(window_);
}

void MainWindow::moveFocus(bool backwards) {
    HWND focus = GetFocus();
    int at = -1;
    for (std::size_t i = 0; i < kTabOrder.size(); ++i)
        if (control(kTabOrder[i]) == focus) at = int(i);
    const int n = int(kTabOrder.size());
    for (int step = 1; step <= n; ++step) {
        const int start = at >= 0 ? at : backwards ? 0 : n - 1;
        const int i = (start + (backwards ? n - step : step)) % n;
        HWND next = control(kTabOrder[std::size_t(i)]);
        if (IsWindowEnabled(next)) {
            SetFocus(next);
            if (kTabOrder[std::size_t(i)] == Control::txtInput || kTabOrder[std::size_t(i)] == Control::txtOutput)
                SendMessageW(next, EM_SETSEL, 0, -1);
            return;
        }
    }
}

bool MainWindow::preTranslate(MSG& message) {
    if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        // Key preview: Escape ends the program whichever control has the focus, with any
        // Shift, Ctrl or Alt.
        if (message.wParam == VK_ESCAPE) {
            requestQuit();
            return true;
        }
        if (message.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000)) {
            moveFocus(GetKeyState(VK_SHIFT) & 0x8000);
            return true;
        }
    }
    // A label's access key (Alt+T) takes the focus to the control it names: a window that
    // is not a dialog gets no help with that from IsDialogMessage.
    if (message.message == WM_SYSKEYDOWN && (GetKeyState(VK_MENU) & 0x8000)) {
        const std::string_view label = window_text::kConvertToLabel;
        const std::size_t amp = label.find('&');
        if (amp != std::string_view::npos && amp + 1 < label.size() &&
            message.wParam == WPARAM(std::toupper(static_cast<unsigned char>(label[amp + 1]))) &&
            IsWindowEnabled(control(Control::cboConvertTo))) {
            SetFocus(control(Control::cboConvertTo));
            return true;
        }
    }
    // Access keys (Alt+C, Alt+Q) and arrows, as in a dialog.
    return IsDialogMessageW(window_, &message);
}

int MainWindow::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (textWindow_.preTranslate(message) || preTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}

void MainWindow::setControlEnabled(LockedControl c, bool enabled) {
    if (c == LockedControl::Timer1) {
        timerOn_ = enabled;
        if (enabled) applyEnablingRule();  // what the rule's first tick after a pass does
        return;
    }
    HWND w = control(controlOf(c));
    // Keys must still reach the window (Escape) when the focused control is locked.
    if (!enabled && GetFocus() == w) SetFocus(window_);
    EnableWindow(w, enabled);
}

void MainWindow::setBusyCursor(bool busy) {
    SetCursor(LoadCursorW(nullptr, busy ? MAKEINTRESOURCEW(32514) : MAKEINTRESOURCEW(32512)));  // IDC_WAIT, IDC_ARROW
}

void MainWindow::setStatus(std::string_view value) {
    setText(Control::lblStatus, widen(value));
    sizeStatus();
    UpdateWindow(window_);
}

bool MainWindow::processEvents() {
    // Asked once per character; reading the clock costs more than a character does.
    if ((++eventRequests_ & 1023) != 0) return !quitting_;
    const std::uint64_t now = GetTickCount64();
    if (now - lastEvents_ >= kEventIntervalMs) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitting_ = true;
                PostQuitMessage(int(message.wParam));
                break;
            }
            if (textWindow_.preTranslate(message) || preTranslate(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        lastEvents_ = GetTickCount64();
    }
    return !quitting_;
}

std::filesystem::path MainWindow::outputPath() { return std::filesystem::path(txtFilename_); }

void MainWindow::showMessage(std::string_view value) {
    MessageBoxW(window_, widen(value).c_str(), widen(window_text::kTitle).c_str(), MB_OK | MB_ICONINFORMATION);
}

bool MainWindow::askYesNo(std::string_view question) {
    return MessageBoxW(window_, widen(question).c_str(), widen(window_text::kTitle).c_str(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void MainWindow::showError(std::string_view value) {
    MessageBoxW(window_, widen(value).c_str(), widen(window_text::kTitle).c_str(), MB_OK | MB_ICONWARNING);
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->onMessage(message, wParam, lParam);
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (code == EN_CHANGE && (id == idOf(Control::txtInput) || id == idOf(Control::txtOutput))) {
            // The enabling rule follows the path texts; it rests while a pass runs.
            if (timerOn_) applyEnablingRule();
        } else if (code == CBN_SELCHANGE && id == idOf(Control::cboConvertTo)) {
            const LRESULT chosen = SendMessageW(control(Control::cboConvertTo), CB_GETCURSEL, 0, 0);
            if (chosen != CB_ERR) rememberTarget(std::size_t(chosen));
        } else if (code == BN_CLICKED) {
            if (id == idOf(Control::cmdOpen)) cmdOpenClick();
            else if (id == idOf(Control::cmdBrowse)) cmdBrowseClick();
            else if (id == idOf(Control::CmdConvert)) convertClick();
            else if (id == idOf(Control::cmdQuit)) requestQuit();
            else if (id == idOf(Control::cmdText)) textWindow_.show(instance_, window_);
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = HDC(wParam);
        if (HWND(lParam) == control(Control::lblStatus)) {
            SetTextColor(dc, RGB(0, 0, 255));
            SetBkMode(dc, TRANSPARENT);
            return LRESULT(GetSysColorBrush(COLOR_BTNFACE));
        }
        if (HWND(lParam) == control(Control::Label2)) {
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkColor(dc, RGB(255, 0, 0));
            return LRESULT(noticeBrush_);
        }
        break;
    }
    case WM_SETCURSOR:
        if (busy_) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
            return TRUE;
        }
        break;
    case WM_DROPFILES: {
        HDROP drop = HDROP(wParam);
        std::wstring path;
        if (!busy_ && DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
            path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
            path.resize(DragQueryFileW(drop, 0, path.data(), UINT(path.size())));
        }
        DragFinish(drop);
        if (!path.empty()) openInput(path);
        return 0;
    }
    case WM_COPYDATA: {
        // A second start hands over a file; it is opened once this message has returned,
        // so that the sender is not kept waiting on a message box.
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!data || data->dwData != kHandOverTag || data->cbData % sizeof(wchar_t) != 0 ||
            data->cbData > kMaxHandedChars * sizeof(wchar_t) || !data->lpData)
            return FALSE;
        const std::filesystem::path path(
            std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)));
        if (busy_ || !acceptHandedFile(path)) return FALSE;
        handedFile_ = path;
        PostMessageW(window_, kOpenHandedFile, 0, 0);
        return TRUE;
    }
    case kOpenHandedFile:
        if (!busy_ && !handedFile_.empty()) {
            const std::wstring path = handedFile_.wstring();
            handedFile_.clear();
            openInput(path);
        }
        return 0;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        makeFonts();
        applyLayout();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_ACTIVATE:
        // As a dialog does: the focused control is kept while another window is active
        // (a dialog, a message, another program) and has the focus again after.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window_, focus)) focusOnReturn_ = focus;
        } else if (focusOnReturn_ && IsWindowEnabled(focusOnReturn_)) {
            SetFocus(focusOnReturn_);
            return 0;
        }
        break;
    case WM_CLOSE:
        requestQuit();
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace tolvarin::win32
