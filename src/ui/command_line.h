#pragma once
// The arguments of the `quillon` program.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quillon::ui {

struct StartRequest {
    enum Kind { kRun, kHelp, kVersion, kUsageError };
    Kind kind = kRun;
    std::filesystem::path file;  // kRun: the file to open at start, or empty
    std::string error;           // kUsageError: what was wrong
};

// Reads the arguments after the program name. --help and --version win over anything before
// "--" (so they answer before a display is needed); after "--" every argument is a file name.
StartRequest ReadArguments(std::span<const std::string_view> args);

// What --help and --version print on standard output.
std::string HelpText();
std::string VersionText();

}  // namespace quillon::ui
