// What the Windows windows remember between runs, under the user's key in the registry
// (window_rules.h names the key and its values).
#pragma once

#include <cstddef>
#include <string>

namespace tolvarin::win32 {

// A text kept under `value`, or `fallback` where there is none.
std::wstring rememberedText(const std::wstring& value, const std::wstring& fallback);
void rememberText(const std::wstring& value, const std::wstring& text);

// The choice of what to convert to (an index into conversionTargets()) kept from the
// last run; an earlier version's Unicode box, ticked, means Unicode Malayalam.
std::size_t rememberedTarget();
void rememberTarget(std::size_t index);

}  // namespace tolvarin::win32
