#include "window_rules.h"

#include <system_error>

#include "api/convert_document.h"
#include "output_path.h"

namespace tolvarin {

std::string window_text::noticeTip() {
    return "Tolvarin " TOLVARIN_VERSION ". " + std::string(kLicenceNotice);
}

const Placement& placementOf(Control control) {
    for (const Placement& p : kLayout)
        if (p.control == control) return p;
    return kLayout.front();  // every control has a row; not reached
}

EnabledStates enablingRule(std::u16string_view input, std::u16string_view output) {
    EnabledStates states;
    states.convert = input.size() >= 2 && output.size() >= 2;
    states.outputRow = input.size() >= 2;
    return states;
}

std::u16string outputFileFor(std::u16string_view input, std::u16string_view folder,
                             const std::string* documentBytes) {
    std::u16string name = DeriveOutputFilename(input, folder);
    if (documentBytes)
        name = withExtensionOf(std::filesystem::path(name), plannedOutput(*documentBytes, {}).format).u16string();
    return name;
}

namespace {

bool isRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::optional<std::filesystem::path> fileToHandOver(const std::filesystem::path& argument,
                                                    const std::filesystem::path& workingFolder) {
    if (argument.empty()) return std::nullopt;
    // The running copy has a working folder of its own: a relative path means this one's.
    std::filesystem::path path = argument.is_absolute() ? argument : workingFolder / argument;
    path = path.lexically_normal();
    if (!isRegularFile(path)) return std::nullopt;
    return path;
}

std::filesystem::path fileToOpenAtStart(const std::filesystem::path& argument,
                                        const std::filesystem::path& workingFolder) {
    if (auto file = fileToHandOver(argument, workingFolder)) return *file;
    return (argument.is_absolute() ? argument : workingFolder / argument).lexically_normal();
}

bool acceptHandedFile(const std::filesystem::path& path) {
    // Whatever another process sends is checked again: it may not be one of ours.
    return !path.empty() && path.is_absolute() && isRegularFile(path);
}

}  // namespace tolvarin
