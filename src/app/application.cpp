#include "app/application.h"

#include <new>
#include <string>
#include <vector>

#include "app/parse_note.h"
#include "app/find.h"
#include "web/text_helpers.h"
#include "web/text_primitives.h"

namespace quillon::app {
namespace {

void AppendPosition(Text& path, int position) {
    path += "/@";
    path += std::to_string(position);
}

ByteView BytesOf(const Text& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// True when `name` can be an element's name: one token of whole characters without control
// characters or the path separator, which the parser reads back as that same name in every form
// the writer gives a tag (followed by attributes, closing itself, and with text and an end tag).
// The writer puts names out as stored, so anything else would change the document on reload.
bool IsElementName(std::string_view name) {
    if (name.empty()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (isLeadByte(c)) {
            if (++i == name.size()) return false;  // a lead byte without its second byte
        } else if (c <= ' ' || c == '/') {
            return false;
        }
    }
    const Text tag = xml::EscapeText(name);
    const Text probe =
        "<" + tag + " a=\"1\">v<" + tag + "/><" + tag + ">w</" + tag + "></" + tag + ">";
    xml::XmlTree tree;
    Text root, first, second;
    return tree.Load(BytesOf(probe)) && tree.GetRootName(root) && root == name &&
           tree.GetChildNames("@1") == TextArray{root, root} &&
           tree.GetAttributeValue("@1", "@1") == "1" && tree.GetNodeValue("@1", first) &&
           first == "v" && tree.GetNodeValue("@1/@2", second) && second == "w";
}

}  // namespace

void Application::WindowCreated() {
    ApplyExplorerTheme(ui_.tree.Handle());
    ApplyExplorerTheme(ui_.grid.Handle());
    ResetAttributeGrid();
}

void Application::ExitProgram() {
    ui_.window.EndProgram(0);
}

void Application::ReleaseState() {
    state_.Document.Clear();
    state_.LabelBeforeEdit.clear();
    state_.RootName.clear();
    state_.DocumentEncoding.clear();
}

void Application::ParseSource() {
    try {
        if (LoadAndShow()) return;
    } catch (const std::bad_alloc&) {
        // Memory ran out while the tree was being filled: the half-built tree goes with the
        // document, and the parse fails as unparsable text does.
        state_.Document.Clear();
        ui_.tree.DeleteAllItems();
    }
    ui_.window.SetCaption(Text(kParseFailedCaption));
}

bool Application::LoadAndShow() {
    // The box is read once: nothing can change it while this handler runs.
    const Text source = ui_.source.Content();
    parsedRevision_.reset();
    if (!state_.Document.Load(BytesOf(source))) {
        ShowFailure(BytesOf(source));
        return false;
    }
    parsedRevision_ = ui_.source.Revision();
    ui_.tree.DeleteAllItems();
    state_.Document.GetRootName(state_.RootName);
    const int root = ui_.tree.AddItem(-1, state_.RootName);
    // The declaration's encoding comes from the text itself; the tree does not keep it.
    state_.DocumentEncoding = web::TextBetween(source, "encoding=\"", "\"");
    // Paths start with the root's name as the commands give it; when that does not find the root
    // again (a name whose references do not escape back to themselves), no path below it finds
    // anything either, and the tree shows the root alone.
    Text rootValue;
    if (state_.Document.GetNodeValue(state_.RootName, rootValue))
        FillChildren(state_.Document.Root(), root);
    ui_.window.SetCaption(Text(kEncodingCaption) + state_.DocumentEncoding);
    return true;
}

void Application::ShowFailure(ByteView source) {
    const xml::ParseResult& result = state_.Document.LastResult();
    const SourceRange range = FailureRange(source, result.offset);
    ui_.source.Mark(range.from, range.to, FailureNote(source, result));
}

void Application::FillChildren(xml::XmlTree::NodeId element, int parent) {
    // Depth first with an explicit stack, element by element: neither the depth of the document
    // nor a path per element (which would cost the depth again) is paid for.
    struct Level {
        xml::XmlTree::NodeId element;
        int item;
        std::size_t count;     // children of the element
        std::size_t next = 0;  // the next child to add
    };
    const xml::XmlTree& doc = state_.Document;
    std::vector<Level> stack;
    stack.push_back({element, parent, doc.ChildCount(element)});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.count) {
            stack.pop_back();
            continue;
        }
        const xml::XmlTree::NodeId child = doc.Child(level.element, level.next++);
        const int item = ui_.tree.AddItem(level.item, doc.NodeName(child));
        ui_.tree.SetItemValue(item, static_cast<int>(level.next));
        if (const std::size_t count = doc.ChildCount(child); count != 0)
            stack.push_back({child, item, count});
    }
}

Text Application::ItemPath(int item) const {
    std::vector<int> positions;
    for (int current = item; current > 0;) {
        positions.push_back(ui_.tree.ItemValue(current));
        const int parent = ui_.tree.ParentIndex(current);
        if (parent >= current) break;  // a parent always precedes its children in pre-order
        current = parent;
    }
    Text path = state_.RootName;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) AppendPosition(path, *it);
    return path;
}

void Application::ShowSelection(int cause) {
    if (cause == kByProgram) return;
    const Text path = ItemPath(ui_.tree.SelectedIndex());
    ui_.path.SetContent(path);

    ResetAttributeGrid();
    const TextArray names = state_.Document.GetAttributeNames(path);
    const int count = static_cast<int>(names.size());
    ui_.grid.SetRowCount(count + 1);
    for (int i = 1; i <= count; ++i) {
        ui_.grid.SetCellText(i, 0, names[i - 1]);
        // By position: a name read back from the document need not select its own attribute
        // again (a stored "&#65;" or a leading "@" would not), its position always does.
        Text selector = "@";
        selector += std::to_string(i);
        ui_.grid.SetCellText(i, 1, state_.Document.GetAttributeValue(path, selector));
    }

    Text value;
    if (state_.Document.GetNodeValue(path, value)) {
        ui_.value.SetContent(value);
    } else {
        ui_.value.SetContent(Text(kNoNodeValue));
    }
    MarkStartTag(path);
}

void Application::MarkStartTag(const Text& path) {
    // Offsets name places in the text that was parsed; once the box changed they name nothing.
    if (!parsedRevision_ || *parsedRevision_ != ui_.source.Revision()) return;
    if (const auto tag = state_.Document.StartTagRange(path))
        ui_.source.Mark(tag->from, tag->to, {});
}

bool Application::FindNext(const Text& needle) {
    const int found = FindNextElement(state_.Document, needle, ui_.tree.SelectedIndex());
    if (found < 0 || !ui_.tree.SelectItem(found)) return false;
    ShowSelection(kByKeyboard);
    return true;
}

void Application::ResetAttributeGrid() {
    ui_.grid.Reset();
    ui_.grid.SetRowCount(1);
    ui_.grid.SetColumnCount(2);
    ui_.grid.SetCellText(0, 0, Text(kNameHeader));
    ui_.grid.SetCellText(0, 1, Text(kValueHeader));
}

void Application::CloseDocument() {
    ui_.source.SetContent({});
    ui_.value.SetContent({});
    ui_.path.SetContent({});
    ResetAttributeGrid();
    ui_.tree.DeleteAllItems();
    state_.Document.Clear();
}

void Application::BeginLabelEdit(int item) {
    state_.LabelBeforeEdit = ui_.tree.ItemText(item);
}

bool Application::EndLabelEdit(int item) {
    const Text edited = ui_.tree.EditText();
    if (edited == state_.LabelBeforeEdit) return true;
    const Text path = ItemPath(item);
    // A refused name (not an element name, or nothing loaded) leaves the document as it was, so
    // the tree keeps its label and the source box keeps its text.
    if (!IsElementName(edited) || !state_.Document.RenameNode(path, edited)) return false;
    bool written = false;
    const ByteSet bytes = state_.Document.ToBytes(Text(), &written, Text(), Text());
    if (!written) {
        // The rewritten source would not fit in memory: the rename is taken back rather than
        // the user's text replaced by nothing.
        state_.Document.RenameNode(path == state_.RootName ? "@1" : path, ui_.tree.ItemText(item));
        return false;
    }
    // The root's name is the first segment of every path: follow the rename.
    if (path == state_.RootName) state_.Document.GetRootName(state_.RootName);
    ui_.source.SetContent(web::BytesToText(bytes));
    return true;
}

}  // namespace quillon::app
