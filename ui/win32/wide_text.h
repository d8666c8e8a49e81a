// UTF-16 for the Windows API, from the UTF-8 the engine and the shared texts use.
#pragma once

#include <string>
#include <string_view>

namespace tolvarin::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// What a path the engine takes is made of: the path type holds UTF-16 on Windows.
inline std::u16string asU16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }
inline std::wstring asWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace tolvarin::win32
