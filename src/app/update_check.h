#pragma once
// The update check's fixed texts and the two addresses behind the 关于 menu.
#include <filesystem>
#include <stop_token>
#include <string_view>

#include "runtime/text.h"

namespace quillon::app {

// The edition built into this program; the manifest's "edition" is compared with it byte-wise.
inline constexpr std::string_view kEdition = "20170107";
// The path of the manifest on the update server.
inline constexpr std::string_view kManifestPath = "/quillon/up.json";

// Message box texts, GBK bytes.
inline constexpr std::string_view kNoticeCaption = "\xCC\xE1\xCA\xBE\xA3\xBA";  // 提示：
// 有更新，点击确定下载新版
inline constexpr std::string_view kUpdatePrompt =
    "\xD3\xD0\xB8\xFC\xD0\xC2\xA3\xAC\xB5\xE3\xBB\xF7\xC8\xB7\xB6\xA8\xCF\xC2\xD4\xD8\xD0\xC2\xB0"
    "\xE6";
// 软件已为最新版\r\n版本号：20170107
inline constexpr std::string_view kUpToDateMessage =
    "\xC8\xED\xBC\xFE\xD2\xD1\xCE\xAA\xD7\xEE\xD0\xC2\xB0\xE6\r\n\xB0\xE6\xB1\xBE\xBA\xC5\xA3\xBA"
    "20170107";
// 检查更新失败
inline constexpr std::string_view kUpdateFailedMessage =
    "\xBC\xEC\xB2\xE9\xB8\xFC\xD0\xC2\xCA\xA7\xB0\xDC";
// 无法打开说明页，请在浏览器中打开：\r\n, followed by the page's address
inline constexpr std::string_view kInstructionsFailedMessage =
    "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCB\xB5\xC3\xF7\xD2\xB3\xA3\xAC\xC7\xEB\xD4\xDA"
    "\xE4\xAF\xC0\xC0\xC6\xF7\xD6\xD0\xB4\xF2\xBF\xAA\xA3\xBA\r\n";

// Where the update check and 说明 go. GBK texts, like every address the handlers pass on.
struct Addresses {
    Text manifestUrl;      // fetched with GET by CheckForUpdate
    Text instructionsUrl;  // handed to the shell by OpenInstructions
};

// The name of the instructions page that the build puts next to the program.
inline constexpr std::string_view kInstructionsFile = "instructions.html";

// The directory of the running program; the current directory when it cannot be found.
std::filesystem::path ProgramDirectory();

// The addresses this program was built with: the update server's manifest, and the configured
// instructions page or, when none was configured, the page kept next to the program in
// `programDirectory`, as a file: URL.
Addresses DefaultAddresses(const std::filesystem::path& programDirectory = ProgramDirectory());

// "file://" and the absolute path, with every byte outside the plain path characters
// percent-encoded, so that the URL is ASCII whatever the path holds.
Text FileUrl(const std::filesystem::path& absolutePath);

// What the update server's manifest says. An empty edition means no usable manifest arrived.
struct UpdateManifest {
    Text edition;  // a string or number member, as text
    Text down;     // the download address as given
};

// Fetches and reads the manifest at `manifestUrl`, blocking until that is done or has failed. It
// touches no control and keeps no state, so it may run on any thread; `stop` abandons it.
//
// Only a 2xx response of at most 1 MiB whose body is exactly one JSON object counts: the body
// comes from the network, so it is checked as data before the JSON object evaluates it. A
// failure of any kind, running out of memory included, gives the empty manifest.
UpdateManifest FetchManifest(std::string_view manifestUrl, std::stop_token stop = {});

}  // namespace quillon::app
