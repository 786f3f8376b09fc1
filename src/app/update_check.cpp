#include "app/update_check.h"

#include <new>
#include <system_error>

#include "app/application.h"
#include "app/configured_addresses.h"
#include "runtime/codepage.h"
#include "script/json_check.h"
#include "script/json_object.h"
#include "web/http_request.h"
#include "web/text_primitives.h"
#include "web/web_address.h"

namespace quillon::app {
namespace {

// A manifest is a few dozen bytes; an answer larger than this is no manifest.
constexpr std::size_t kManifestLimit = std::size_t{1} << 20;

// An edition the comparison can use: a string or a number, with a non-empty text. Anything else
// (missing, null, a boolean, an object, an array) means the manifest says nothing usable.
Text UsableEdition(script::JsonObject& manifest) {
    const int kind = manifest.TypeOf("edition");
    if (kind != script::kJsonString && kind != script::kJsonNumber) return {};
    return manifest.GetText("edition");
}

}  // namespace

std::filesystem::path ProgramDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && program.has_parent_path()) return program.parent_path();
    const std::filesystem::path current = std::filesystem::current_path(error);
    return error ? std::filesystem::path(".") : current;
}

Text FileUrl(const std::filesystem::path& absolutePath) {
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
            appendPercentEscape(byte, url);
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

UpdateManifest FetchManifest(std::string_view manifestUrl, std::stop_token stop) {
    try {
        web::RequestOptions options;
        options.limits.body = kManifestLimit;
        options.stop = std::move(stop);
        Text headers;
        const Text body = web::BytesToText(
            web::HttpRequest(options, manifestUrl, 0, {}, nullptr, nullptr, nullptr, &headers));
        const int status = web::ResponseStatus(headers);
        if (status < 200 || status > 299 || !script::IsJsonObjectText(body)) return {};
        script::JsonObject manifest;
        manifest.Initialize();
        manifest.Parse(body);
        UpdateManifest result{UsableEdition(manifest), {}};
        if (!result.edition.empty()) result.down = manifest.GetText("down");
        manifest.Destroy();
        return result;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

void Application::CheckForUpdate() {
    PresentUpdate(FetchManifest(addresses_.manifestUrl));
}

// Compares the manifest's edition with the built-in one and offers the download. No usable
// manifest, and a download address that is not a well-formed web address, end in the failure
// message instead: only http(s) addresses from the network reach the shell.
void Application::PresentUpdate(const UpdateManifest& manifest) {
    const Text caption(kNoticeCaption);
    if (manifest.edition.empty()) {
        ui_.desktop.ShowMessage(Text(kUpdateFailedMessage), caption, kOkButton);
    } else if (manifest.edition == kEdition) {
        ui_.desktop.ShowMessage(Text(kUpToDateMessage), caption, kOkButton);
    } else if (ui_.desktop.ShowMessage(Text(kUpdatePrompt), caption, kOkCancelButtons) ==
               kAnsweredOk) {
        if (web::IsHttpUrl(manifest.down)) {
            ui_.desktop.OpenWithShell(manifest.down);
        } else {
            ui_.desktop.ShowMessage(Text(kUpdateFailedMessage), caption, kOkButton);
        }
    }
}

// When no handler takes the page (no browser), the user learns where it is instead.
void Application::OpenInstructions() {
    if (ui_.desktop.OpenWithShell(addresses_.instructionsUrl)) return;
    ui_.desktop.ShowMessage(Text(kInstructionsFailedMessage) + addresses_.instructionsUrl,
                            Text(kNoticeCaption), kOkButton);
}

}  // namespace quillon::app
