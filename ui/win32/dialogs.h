// The Open dialog and the folder browser of the Windows window.
#pragma once

#include <windows.h>

#include <string>

namespace tolvarin::win32 {

// The system's Open dialog, modal to `owner`, titled "Open File", with the RTF, Word and
// OpenDocument, and all-files filters. It opens on the filter under which a file was last
// chosen. Returns the chosen file's full path, or an empty string when nothing was chosen.
std::wstring showOpenDialog(HWND owner);
// The filter the next dialog opens on, counted from 1.
unsigned lastOpenFilter();

// The system's folder picker, modal to `owner`, titled `title`, opening in
// `initialFolder`. Only folders on disk can be chosen. Returns the folder's path without
// a final backslash (except at a drive's root), or an empty string.
std::wstring browseForFolder(HWND owner, const std::wstring& initialFolder, const std::wstring& title);

// A folder's path as the window shows it: no final backslash except at a drive's root.
std::wstring normalizeFolder(std::wstring folder);

}  // namespace tolvarin::win32
