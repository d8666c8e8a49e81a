// Tolvarin's window on Windows: one copy per user session. A second start brings the
// running copy forward and hands it the file it was given, then ends.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <system_error>

#include "main_window.h"
#include "window_rules.h"

namespace {

using tolvarin::win32::kHandOverTag;
using tolvarin::win32::kWindowClass;

void handOver(HWND running, const std::optional<std::filesystem::path>& file) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    if (!file) return;
    const std::wstring path = file->wstring();
    COPYDATASTRUCT data{};
    data.dwData = kHandOverTag;
    data.cbData = DWORD(path.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(path.data());
    SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                        5000, nullptr);
}

// Another copy holds `running`: hands it over to that copy's window once it shows (the
// copy may be starting). True when this copy is to run after all: the other one ended,
// as when the program is started again right after closing it.
bool runsAfterOther(HANDLE running, const std::optional<std::filesystem::path>& file) {
    for (int i = 0; i < 100; ++i) {
        if (HWND w = FindWindowW(kWindowClass, nullptr)) {
            handOver(w, file);
            return false;
        }
        const DWORD waited = WaitForSingleObject(running, 100);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
    }
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // A file on the command line, as Explorer's "Open with" and Send To pass it.
    std::wstring argument;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc >= 2) argument = argv[1];
        LocalFree(argv);
    }
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    const std::optional<std::filesystem::path> file =
        argument.empty() ? std::nullopt : tolvarin::fileToHandOver(std::filesystem::path(argument), here);

    // Held until the process ends; the system lets it go even after a crash.
    HANDLE running = CreateMutexW(nullptr, TRUE, L"Local\\TolvarinWindow");
    if (running && GetLastError() == ERROR_ALREADY_EXISTS && !runsAfterOther(running, file)) {
        CloseHandle(running);
        return 0;
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    int code = 1;
    {
        tolvarin::win32::MainWindow window;
        if (window.create(instance)) {
            window.show(showCommand);
            if (!argument.empty()) {
                window.openInput(tolvarin::fileToOpenAtStart(std::filesystem::path(argument), here).wstring());
            }
            code = window.run();
        }
    }
    CoUninitialize();
    if (running) CloseHandle(running);
    return code;
}
