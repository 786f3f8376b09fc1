#pragma once
// In-memory controls for driving the handlers without a window. The tree keeps real pre-order
// numbering (recomputed on every call), so an item added out of order is numbered as a real tree
// view would number it.
#include <algorithm>
#include <functional>
#include <new>
#include <vector>

#include "app/components.h"

namespace quillon::app::testing {

class FakeTree : public TreeView {
  public:
    struct Node {
        int parent = -1;  // id, not index
        int value = 0;
        Text text;
        std::vector<int> children;  // ids
    };

    void DeleteAllItems() override {
        nodes_.clear();
        roots_.clear();
        selected_ = -1;
        ++deletions;
    }
    int AddItem(int parent, const Text& text) override {
        if (Count() == addsBeforeMemoryRunsOut) throw std::bad_alloc();
        const int id = static_cast<int>(nodes_.size());
        const int parentId = parent < 0 ? -1 : IdOf(parent);
        nodes_.push_back({parentId, 0, text, {}});
        (parentId < 0 ? roots_ : nodes_[parentId].children).push_back(id);
        return IndexOf(id);
    }
    void SetItemValue(int item, int value) override {
        if (const int id = IdOf(item); id >= 0) nodes_[id].value = value;
    }
    int ItemValue(int item) const override {
        const int id = IdOf(item);
        return id < 0 ? 0 : nodes_[id].value;
    }
    Text ItemText(int item) const override {
        const int id = IdOf(item);
        return id < 0 ? Text() : nodes_[id].text;
    }
    int ParentIndex(int item) const override {
        const int id = IdOf(item);
        return id < 0 || nodes_[id].parent < 0 ? -1 : IndexOf(nodes_[id].parent);
    }
    int SelectedIndex() const override { return selected_; }
    bool SelectItem(int item) override {
        if (IdOf(item) < 0) return false;
        selected_ = item;
        return true;
    }
    Text EditText() const override { return editText; }
    NativeHandle Handle() const override { return 0; }

    // Test side.
    int Count() const { return static_cast<int>(nodes_.size()); }
    void Select(int item) { selected_ = item; }
    void SetLabel(int item, const Text& text) { nodes_[IdOf(item)].text = text; }
    // Index of the first item, in pre-order, whose text is `text`; -1 when none.
    int Find(const Text& text) const {
        const std::vector<int> order = PreOrder();
        for (std::size_t i = 0; i < order.size(); ++i)
            if (nodes_[order[i]].text == text) return static_cast<int>(i);
        return -1;
    }
    // "name(value)[children...]" for every top-level item, in order: the whole tree at a glance.
    Text Describe() const {
        Text out;
        for (int id : roots_) out += Describe(id);
        return out;
    }

    Text editText;
    int deletions = 0;
    int addsBeforeMemoryRunsOut = -1;  // AddItem throws std::bad_alloc once there are this many

  private:
    std::vector<int> PreOrder() const {
        std::vector<int> order;
        std::function<void(int)> walk = [&](int id) {
            order.push_back(id);
            for (int child : nodes_[id].children) walk(child);
        };
        for (int id : roots_) walk(id);
        return order;
    }
    int IdOf(int index) const {
        const std::vector<int> order = PreOrder();
        return index >= 0 && index < static_cast<int>(order.size()) ? order[index] : -1;
    }
    int IndexOf(int id) const {
        const std::vector<int> order = PreOrder();
        return static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin());
    }
    Text Describe(int id) const {
        const Node& n = nodes_[id];
        Text out = n.text + "(" + std::to_string(n.value) + ")";
        if (n.children.empty()) return out;
        out += "[";
        for (std::size_t i = 0; i < n.children.size(); ++i)
            out += (i ? " " : "") + Describe(n.children[i]);
        return out + "]";
    }

    std::vector<Node> nodes_;
    std::vector<int> roots_;
    int selected_ = -1;
};

class FakeGrid : public Grid {
  public:
    FakeGrid() { Reset(); }
    void Reset() override {
        cells.assign(1, std::vector<Text>(2));
        ++resets;
    }
    void SetRowCount(int rows) override {
        cells.resize(std::max(rows, 0), std::vector<Text>(Columns()));
    }
    void SetColumnCount(int columns) override {
        for (auto& row : cells) row.resize(std::max(columns, 0));
    }
    void SetCellText(int row, int column, const Text& text) override {
        if (row >= 0 && row < static_cast<int>(cells.size()) && column >= 0 && column < Columns())
            cells[row][column] = text;
    }
    NativeHandle Handle() const override { return 0; }

    int Columns() const { return cells.empty() ? 2 : static_cast<int>(cells[0].size()); }

    std::vector<std::vector<Text>> cells;
    int resets = 0;
};

class FakeEdit : public EditBox {
  public:
    Text Content() const override { return content; }
    void SetContent(const Text& text) override {
        content = text;
        ++revision;
    }
    void Mark(std::size_t from, std::size_t to, const Text& note) override {
        marks.push_back({from, to, note});
    }
    std::uint64_t Revision() const override { return revision; }

    struct Marked {
        std::size_t from, to;
        Text note;
    };
    Text content;
    std::uint64_t revision = 0;  // a test that edits `content` directly counts the change here
    std::vector<Marked> marks;
};

class FakeWindow : public Window {
  public:
    void SetCaption(const Text& text) override { caption = text; }
    void EndProgram(int exitCode) override { endedWith = exitCode; }
    Text caption = "Quillon";
    int endedWith = -1;
};

// Records every message box and every target handed to the shell; message boxes answer with
// the queued answers in order, then with OK.
class FakeDesktop : public Desktop {
  public:
    struct Message {
        Text text;
        Text caption;
        MessageButtons buttons;
        bool operator==(const Message&) const = default;
    };

    int ShowMessage(const Text& text, const Text& caption, MessageButtons buttons) override {
        messages.push_back({text, caption, buttons});
        if (answers.empty()) return kAnsweredOk;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    bool OpenWithShell(const Text& target) override {
        opened.push_back(target);
        return shellOpens;
    }
    std::filesystem::path ChooseFileToOpen() override { return NextChoice(); }
    std::filesystem::path ChooseFileToSave(const std::filesystem::path& suggested) override {
        suggestions.push_back(suggested);
        return NextChoice();
    }

    bool shellOpens = true;  // what OpenWithShell answers
    std::vector<int> answers;
    // What the file dialogs answer, in order; once used up they answer as cancelled.
    std::vector<std::filesystem::path> choices;
    std::vector<std::filesystem::path> suggestions;
    std::vector<Message> messages;
    std::vector<Text> opened;

  private:
    std::filesystem::path NextChoice() {
        if (choices.empty()) return {};
        std::filesystem::path next = choices.front();
        choices.erase(choices.begin());
        return next;
    }
};

struct FakeControls {
    FakeWindow window;
    FakeEdit source, path, value;
    FakeTree tree;
    FakeGrid grid;
    FakeDesktop desktop;

    Controls Contract() { return {window, source, path, value, tree, grid, desktop}; }
};

}  // namespace quillon::app::testing
