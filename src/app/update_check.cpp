#include "app/update_check.h"

#include <system_error>

#include "app/application.h"
#include "app/configured_addresses.h"
#include "runtime/codepage.h"
#include "script/json_check.h"
#include "script/json_object.h"
#include "web/http_request.h"
#include "web/text_primitives.h"

namespace quillon::app {
namespace {

// A manifest is a few dozen bytes; an answer larger than this is no manifest.
constexpr std::size_t kManifestLimit = std::size_t{1} << 20;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// An edition the comparison can use: a string or a number, with a non-empty text. Anything else
// (missing, null, a boolean, an object, an array) means the manifest says nothing usable.
Text UsableEdition(script::JsonObject& manifest) {
    const int kind = manifest.TypeOf("edition");
    if (kind != script::kJsonString && kind != script::kJsonNumber) return {};
    return manifest.GetText("edition");
}

}  // namespace

bool IsWebAddress(std::string_view address) {
    return startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://");
}

std::filesystem::path ProgramDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) return program.parent_path();
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : current;
}

Text FileUrl(const std::filesystem::path& absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string path = absolutePath.generic_string();
    Text url = path.starts_with('/') ? "file://" : "file:///";  // a drive letter needs the root
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') ||
                           std::string_view("-._~/:").find(c) != std::string_view::npos;
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0xF];
        }
    }
    return url;
}

Addresses DefaultAddresses(const std::filesystem::path& programDirectory) {
    Addresses addresses;
    addresses.manifestUrl =
        codepage::utf8ToGbk(QUILLON_CONFIGURED_UPDATE_SERVER) + Text(kManifestPath);
    const std::string_view instructions = QUILLON_CONFIGURED_INSTRUCTIONS_URL;
    if (!instructions.empty()) {
        addresses.instructionsUrl = codepage::utf8ToGbk(instructions);
    } else {
        std::error_code error;
        std::filesystem::path page = std::filesystem::absolute(programDirectory, error);
        if (error) page = programDirectory;
        addresses.instructionsUrl = FileUrl(page / kInstructionsFile);
    }
    return addresses;
}

// Fetches the manifest, compares its edition with the built-in one and offers the download. A
// manifest that cannot be fetched, is not a JSON object or names no usable edition, and a
// download address that is not a web address, end in the failure message instead: the body
// comes from the network, so it is checked as data before the JSON object evaluates it, and
// only http(s) addresses from it reach the shell.
void Application::CheckForUpdate() {
    script::JsonObject manifest;
    manifest.Initialize();
    web::RequestOptions options;
    options.limits.body = kManifestLimit;
    const Text body = web::BytesToText(web::HttpRequest(options, addresses_.manifestUrl));
    Text edition;
    if (script::IsJsonObjectText(body)) {
        manifest.Parse(body);
        edition = UsableEdition(manifest);
    }
    if (edition.empty()) {
        ui_.desktop.ShowMessage(Text(kUpdateFailedMessage), Text(kNoticeCaption), kOkButton);
    } else if (edition != kEdition) {
        const int answer =
            ui_.desktop.ShowMessage(Text(kUpdatePrompt), Text(kNoticeCaption), kOkCancelButtons);
        if (answer == kAnsweredOk) {
            const Text down = manifest.GetText("down");
            if (IsWebAddress(down)) {
                ui_.desktop.OpenWithShell(down);
            } else {
                ui_.desktop.ShowMessage(Text(kUpdateFailedMessage), Text(kNoticeCaption),
                                        kOkButton);
            }
        }
    } else {
        ui_.desktop.ShowMessage(Text(kUpToDateMessage), Text(kNoticeCaption), kOkButton);
    }
    manifest.Destroy();
}

void Application::OpenInstructions() {
    ui_.desktop.OpenWithShell(addresses_.instructionsUrl);
}

}  // namespace quillon::app
