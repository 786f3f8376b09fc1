#pragma once
// What the handlers ask of the window's controls. The window implements these over its widgets;
// tests implement them in memory. Every text crossing this boundary is GBK bytes, and multi-line
// text uses CR LF line breaks.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "runtime/text.h"

namespace quillon::app {

// A platform window handle (an HWND on Windows); 0 when the control has none.
using NativeHandle = std::uintptr_t;

// What changed a tree view's selected item.
enum SelectionCause { kByKeyboard = 0, kByMouse = 1, kByProgram = 2 };

// A tree view whose items are numbered by their position in a depth-first pre-order walk over
// all items, expanded or not, from 0. -1 stands for "no item".
class TreeView {
  public:
    virtual ~TreeView() = default;

    virtual void DeleteAllItems() = 0;
    // Adds an item as the last child of `parent` (-1: a top-level item); returns its index.
    virtual int AddItem(int parent, const Text& text) = 0;
    virtual void SetItemValue(int item, int value) = 0;
    // The integer kept with the item; 0 until set, and for an index that names no item.
    virtual int ItemValue(int item) const = 0;
    virtual Text ItemText(int item) const = 0;
    // -1 for a top-level item and for an index that names no item.
    virtual int ParentIndex(int item) const = 0;
    virtual int SelectedIndex() const = 0;
    // Makes `item` the selected item and brings it into view (its ancestors expanded); false,
    // with nothing changed, for an index that names no item. The change counts as made by the
    // program.
    virtual bool SelectItem(int item) = 0;
    // The label held by the in-place editor when an edit ends.
    virtual Text EditText() const = 0;
    virtual NativeHandle Handle() const = 0;
};

// A grid of plain text cells whose first row and first column are fixed header cells.
class Grid {
  public:
    virtual ~Grid() = default;

    // Drops every cell and restores the stored settings (1 row, 2 columns).
    virtual void Reset() = 0;
    virtual void SetRowCount(int rows) = 0;
    virtual void SetColumnCount(int columns) = 0;
    // 0-based row and column; a cell outside the grid is ignored.
    virtual void SetCellText(int row, int column, const Text& text) = 0;
    virtual NativeHandle Handle() const = 0;
};

class EditBox {
  public:
    virtual ~EditBox() = default;

    virtual Text Content() const = 0;
    virtual void SetContent(const Text& text) = 0;

    // Shows the bytes [from, to) of the content with a background mark, with the cursor at `from`
    // scrolled into view and the keyboard focus left where it is; `note`, when not empty, stands
    // beside the mark until the next key or click. A box that cannot mark ignores this.
    virtual void Mark(std::size_t /*from*/, std::size_t /*to*/, const Text& /*note*/) {}
    // Changes whenever the content changes, so a caller can tell that the box still holds the
    // text it read. A box that does not count changes stays at 0.
    virtual std::uint64_t Revision() const { return 0; }
};

class Window {
  public:
    virtual ~Window() = default;

    virtual void SetCaption(const Text& caption) = 0;
    // Ends the message loop; the process then exits with `exitCode`.
    virtual void EndProgram(int exitCode) = 0;
};

// The buttons of a message box.
enum MessageButtons { kOkButton = 0, kOkCancelButtons = 1 };
// What a message box returns.
enum MessageAnswer { kAnsweredOk = 0, kAnsweredCancel = 1 };

// The platform services the handlers use beside the window: message boxes and the shell.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // A message box with no icon and no owner window, modal to the whole application. Returns
    // kAnsweredOk for OK and kAnsweredCancel for Cancel or when the box is closed otherwise; a box
    // with OK alone answers kAnsweredOk however it is closed.
    virtual int ShowMessage(const Text& text, const Text& caption, MessageButtons buttons) = 0;
    // The platform's "open" of a document or address. Returns whether the platform took it (a
    // handler was found and started); what the handler then does is not reported.
    virtual bool OpenWithShell(const Text& target) = 0;
    // Asks for an existing file to open; an empty path when the person cancels. A desktop
    // without file dialogs answers as a cancelled one.
    virtual std::filesystem::path ChooseFileToOpen() { return {}; }
    // Asks where to save, proposing `suggested` (may be empty); the dialog itself asks before an
    // existing file is replaced. An empty path when the person cancels.
    virtual std::filesystem::path ChooseFileToSave(const std::filesystem::path& /*suggested*/) {
        return {};
    }
};

// The controls one application drives; they outlive it.
struct Controls {
    Window& window;
    EditBox& source;  // 编辑框_源码
    EditBox& path;    // 编辑框_路径
    EditBox& value;   // 编辑框_节点
    TreeView& tree;   // XML树
    Grid& grid;       // 高级表格1
    Desktop& desktop;
};

}  // namespace quillon::app
