#include "settings.h"

#include <windows.h>

#include "core/conversion_options.h"
#include "wide_text.h"
#include "window_rules.h"

namespace tolvarin::win32 {
namespace {

const std::wstring kSettingsKey = widen(window_text::kSettingsKey);

}  // namespace

std::wstring rememberedText(const std::wstring& value, const std::wstring& fallback) {
    wchar_t text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return fallback;
    return text;
}

void rememberText(const std::wstring& value, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), value.c_str(), REG_SZ, text.c_str(),
                    DWORD((text.size() + 1) * sizeof(wchar_t)));
}

std::size_t rememberedTarget() {
    const std::wstring name = rememberedText(widen(window_text::kConvertToSetting), L"");
    if (!name.empty()) return conversionTargetIndex(narrow(name));
    DWORD value = 0;
    DWORD size = sizeof value;
    const bool unicode = RegGetValueW(HKEY_CURRENT_USER, kSettingsKey.c_str(), widen(window_text::kUnicodeSetting).c_str(),
                                      RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
                         value != 0;
    return unicode ? conversionTargetIndex(kUnicodeTarget) : 0;
}

void rememberTarget(std::size_t index) {
    if (index < conversionTargets().size())
        rememberText(widen(window_text::kConvertToSetting), widen(conversionTargets()[index].name));
}

}  // namespace tolvarin::win32
