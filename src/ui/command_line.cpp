#include "ui/command_line.h"

#include "app/update_check.h"

namespace quillon::ui {

StartRequest ReadArguments(std::span<const std::string_view> args) {
    for (const std::string_view arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") return {StartRequest::kHelp, {}, {}};
        if (arg == "--version" || arg == "-v") return {StartRequest::kVersion, {}, {}};
    }
    StartRequest request;
    bool optionsEnded = false;
    for (const std::string_view arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg.starts_with('-')) {
            return {StartRequest::kUsageError, {}, "unknown option '" + std::string(arg) + "'"};
        } else if (!request.file.empty()) {
            return {StartRequest::kUsageError, {}, "only one FILE can be opened"};
        } else if (arg.empty()) {
            return {StartRequest::kUsageError, {}, "the FILE name is empty"};
        } else {
            request.file = std::filesystem::path(std::string(arg));
        }
    }
    return request;
}

std::string HelpText() {
    return "Usage: quillon [FILE]\n"
           "\n"
           "Opens the Quillon window for reading XML text. With FILE, the file is opened in\n"
           "the source box as the menu entry 打开… (Ctrl+O) would open it.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
           "\n"
           "Qt's own options (for example -platform offscreen) are accepted as well.\n"
           "Exit status: 0, or 2 for a usage error.\n";
}

std::string VersionText() {
    return "quillon " QUILLON_VERSION " (edition " + std::string(app::kEdition) + ")\n";
}

}  // namespace quillon::ui
