// The output file's path: the output folder, "Converted_" and the input file's name.
#pragma once

#include <string>
#include <string_view>

namespace tolvarin {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

inline constexpr std::u16string_view kOutputPrefix = u"Converted_";
inline constexpr std::size_t kMaxOutputNameLength = 500;

// The folder part of `inputPath`, with its final separator; empty when it has none.
std::u16string FolderOf(std::u16string_view inputPath, char16_t separator = kPathSeparator);

// outputFolder + separator + "Converted_" + the input's name (the part after its last
// separator, cut to 500 characters); then every pair of separators becomes one, left
// to right, except a leading pair that names a network share.
std::u16string DeriveOutputFilename(std::u16string_view inputPath, std::u16string_view outputFolder,
                                    char16_t separator = kPathSeparator);

}  // namespace tolvarin
