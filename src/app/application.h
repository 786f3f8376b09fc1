#pragma once
// The application: its state and the handlers that the window's events run. Handlers talk to the
// document through XmlTree and to the controls through the contract in components.h only.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "app/components.h"
#include "app/format_xml.h"
#include "app/update_check.h"
#include "runtime/text.h"
#include "runtime/text_file.h"
#include "xml/xml_tree.h"

namespace quillon::app {

// Captions and grid headers, GBK bytes.
inline constexpr std::string_view kWindowTitle = "Quillon";
// "Quillon     解析XML文本失败"
inline constexpr std::string_view kParseFailedCaption =
    "Quillon     \xBD\xE2\xCE\xF6XML\xCE\xC4\xB1\xBE\xCA\xA7\xB0\xDC";
// "Quillon     编码：", followed by the encoding
inline constexpr std::string_view kEncodingCaption = "Quillon     \xB1\xE0\xC2\xEB\xA3\xBA";
inline constexpr std::string_view kNameHeader = "\xCA\xF4\xD0\xD4\xC3\xFB";   // 属性名
inline constexpr std::string_view kValueHeader = "\xCA\xF4\xD0\xD4\xD6\xB5";  // 属性值
// Shown in the value box when the selected item's path finds no element.
inline constexpr std::string_view kNoNodeValue = "NULL";

struct AppState {
    xml::XmlTree Document;
    Text RootName;          // first segment of every node path; set by each successful parse
    Text DocumentEncoding;  // read from the source text's declaration; may be empty
    Text LabelBeforeEdit;   // label of the item whose in-place edit is running

    std::filesystem::path File;  // the file last opened or saved; 另存为… proposes it
    textfile::Form FileForm;     // how that file wrote its byte order mark and line breaks
};

class Application {
  public:
    explicit Application(Controls controls, Addresses addresses = DefaultAddresses())
        : ui_(controls), addresses_(std::move(addresses)) {}
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const AppState& State() const { return state_; }
    const Addresses& AboutAddresses() const { return addresses_; }

    // Window events.
    void WindowCreated();
    void ExitProgram();
    // Empties the document and the remembered texts; runs once the message loop has ended.
    void ReleaseState();

    // Parse and display. Running out of memory fails a parse like unparsable text.
    void ParseSource();
    void ShowSelection(int cause);
    void CloseDocument();
    void ResetAttributeGrid();

    // Selects the next element after the selected one, in the tree's order and wrapping round,
    // whose name, attribute names or values, or value contain `needle` (ASCII letters in either
    // case), and shows it as a selection by keyboard does. False, with the selection as it was,
    // when no element does.
    bool FindNext(const Text& needle);

    // Label editing in the tree. EndLabelEdit returns whether the tree keeps the new label.
    void BeginLabelEdit(int item);
    bool EndLabelEdit(int item);

    // Re-indents the source box (format_source.cpp).
    void FormatSource();
    // The longest text FormatSource builds before it gives up (kMaxFormattedBytes unless lowered).
    void SetFormatLimit(std::size_t maxBytes) { formatLimit_ = maxBytes; }
    // The update check and the instructions page (update_check.cpp). CheckForUpdate fetches and
    // presents in one call; a window that keeps handling events meanwhile runs FetchManifest
    // elsewhere and hands its result to PresentUpdate.
    void CheckForUpdate();
    void PresentUpdate(const UpdateManifest& manifest);
    void OpenInstructions();

    // Files (file_commands.cpp). 打开… and 另存为… ask the desktop for the file; the forms with
    // a path also serve a drop on the window and the command line. They return false, leaving
    // the source box or the file as it was, when a message box has said why not.
    void OpenFile();
    bool OpenFile(const std::filesystem::path& file);
    void SaveFileAs();
    bool SaveFile(const std::filesystem::path& file);

    // Adds the descendants of `element` under tree item `parent`, depth first: each child's name
    // as GetChildNames gives it, its 1-based position as the item value.
    void FillChildren(xml::XmlTree::NodeId element, int parent);
    // The positional node path of a tree item: RootName, then "/@N" per level below the root.
    Text ItemPath(int item) const;

  private:
    // Loads the source box into the document and shows it; false when it does not parse.
    bool LoadAndShow();
    // Marks in the source box where and why the last load failed.
    void ShowFailure(ByteView source);
    // Marks the start tag of the element at `path` in the source box, while the box still holds
    // the text that was parsed.
    void MarkStartTag(const Text& path);

    Controls ui_;
    Addresses addresses_;
    AppState state_;
    std::size_t formatLimit_ = kMaxFormattedBytes;
    std::optional<std::uint64_t> parsedRevision_;  // the source box's, at the last good parse
};

// Gives a tree view or grid the platform's list look ("Explorer" theme on Windows).
void ApplyExplorerTheme(NativeHandle handle);

}  // namespace quillon::app
