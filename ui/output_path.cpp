#include "output_path.h"

namespace tolvarin {

std::u16string FolderOf(std::u16string_view inputPath, char16_t separator) {
    std::size_t last = inputPath.rfind(separator);
    return last == std::u16string_view::npos ? std::u16string() : std::u16string(inputPath.substr(0, last + 1));
}

std::u16string DeriveOutputFilename(std::u16string_view inputPath, std::u16string_view outputFolder,
                                    char16_t separator) {
    std::size_t last = inputPath.rfind(separator);
    std::u16string_view name = last == std::u16string_view::npos ? inputPath : inputPath.substr(last + 1);
    name = name.substr(0, kMaxOutputNameLength);

    std::u16string joined;
    joined.reserve(outputFolder.size() + 1 + kOutputPrefix.size() + name.size());
    joined.append(outputFolder);
    joined.push_back(separator);
    joined.append(kOutputPrefix);
    joined.append(name);

    std::u16string result;
    result.reserve(joined.size());
    std::size_t i = 0;
    // \\server\share and //server/share keep the pair that makes them a network path.
    const bool share = outputFolder.size() >= 2 && outputFolder[0] == separator && outputFolder[1] == separator &&
                       (outputFolder.size() == 2 || outputFolder[2] != separator);
    if (share) {
        result.append(2, separator);
        i = 2;
    }
    while (i < joined.size()) {
        if (joined[i] == separator && i + 1 < joined.size() && joined[i + 1] == separator) {
            result.push_back(separator);
            i += 2;
        } else {
            result.push_back(joined[i]);
            ++i;
        }
    }
    return result;
}

}  // namespace tolvarin
