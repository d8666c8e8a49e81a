#include "dialogs.h"

#include <commdlg.h>
#include <shobjidl.h>

#include <vector>

#include "api/convert_document.h"
#include "wide_text.h"
#include "window_rules.h"

namespace tolvarin::win32 {
namespace {

// Lives for the whole run, like the dialog's own memory of the last file type.
unsigned g_filterIndex = 1;

// Releases a COM interface when it leaves scope.
template <class T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    T** put() { return &p; }
};

}  // namespace

unsigned lastOpenFilter() { return g_filterIndex; }

std::wstring showOpenDialog(HWND owner) {
    // caption NUL patterns NUL ... NUL NUL
    std::wstring filters;
    for (const window_text::Filter& f : window_text::kOpenFilters) {
        if (f.patterns == "*.PDF" && !readsPdfs()) continue;  // a build that cannot read them offers none
        filters += widen(f.caption);
        filters.push_back(L'\0');
        filters += widen(f.patterns);
        filters.push_back(L'\0');
    }
    filters.push_back(L'\0');
    // Room for the longest path Windows takes, so long paths are not refused.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring title = widen(window_text::kOpenTitle);

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filters.c_str();
    request.nFilterIndex = g_filterIndex;
    request.lpstrFile = file.data();
    request.nMaxFile = DWORD(file.size());
    request.lpstrTitle = title.c_str();
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_DONTADDTORECENT;
    if (!GetOpenFileNameW(&request)) return {};
    g_filterIndex = request.nFilterIndex;
    return std::wstring(file.data());
}

std::wstring normalizeFolder(std::wstring folder) {
    while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/')) {
        if (folder.size() == 3 && folder[1] == L':') break;  // C:\ keeps its backslash
        folder.pop_back();
    }
    if (folder.size() == 2 && folder[1] == L':') folder.push_back(L'\\');
    return folder;
}

std::wstring browseForFolder(HWND owner, const std::wstring& initialFolder, const std::wstring& title) {
    ComPtr<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.put()))))
        return {};
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR);
    dialog->SetTitle(title.c_str());
    if (!initialFolder.empty()) {
        ComPtr<IShellItem> start;
        const std::wstring folder = normalizeFolder(initialFolder);
        if (SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr, IID_PPV_ARGS(start.put()))))
            dialog->SetFolder(start.p);
    }
    if (FAILED(dialog->Show(owner))) return {};  // cancelled
    ComPtr<IShellItem> chosen;
    if (FAILED(dialog->GetResult(chosen.put()))) return {};
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return {};  // no folder on disk
    std::wstring result(path);
    CoTaskMemFree(path);
    const DWORD attributes = GetFileAttributesW(result.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return normalizeFolder(result);
}

}  // namespace tolvarin::win32
