#include "ui/tree_items.h"

#include <algorithm>

namespace quillon::ui {

void TreeItems::Clear() {
    items_.clear();
    firstTop_ = lastTop_ = -1;
    idAt_.clear();
    indexOf_.clear();
    inPreOrder_ = true;
}

int TreeItems::Add(int parent, const Text& text) {
    if (parent != -1 && !Contains(parent)) return -1;
    const int parentId = parent == -1 ? -1 : IdOf(parent);
    const bool stillInPreOrder = inPreOrder_ && AppendsInPreOrder(parentId);
    const int id = Count();
    const int level = parentId < 0 ? 0 : items_[parentId].level + 1;
    items_.push_back({parentId, level, false, 0, -1, -1, -1, 0, text});
    int& last = parentId < 0 ? lastTop_ : items_[parentId].lastChild;
    if (last >= 0)
        items_[last].nextSibling = id;
    else
        (parentId < 0 ? firstTop_ : items_[parentId].firstChild) = id;
    last = id;
    if (parentId >= 0) ++items_[parentId].childCount;
    if (!stillInPreOrder) {
        inPreOrder_ = false;
        Renumber();
    }
    return IndexOfId(id);
}

int TreeItems::Value(int index) const {
    return Contains(index) ? items_[IdOf(index)].value : 0;
}

void TreeItems::SetValue(int index, int value) {
    if (Contains(index)) items_[IdOf(index)].value = value;
}

Text TreeItems::Label(int index) const {
    return Contains(index) ? items_[IdOf(index)].text : Text();
}

void TreeItems::SetLabel(int index, const Text& text) {
    if (Contains(index)) items_[IdOf(index)].text = text;
}

int TreeItems::Parent(int index) const {
    if (!Contains(index)) return -1;
    const int parentId = items_[IdOf(index)].parent;
    return parentId < 0 ? -1 : IndexOfId(parentId);
}

int TreeItems::Level(int index) const {
    return Contains(index) ? items_[IdOf(index)].level : 0;
}

int TreeItems::ChildCount(int index) const {
    return Contains(index) ? items_[IdOf(index)].childCount : 0;
}

bool TreeItems::HasNextSibling(int index) const {
    return Contains(index) && items_[IdOf(index)].nextSibling >= 0;
}

bool TreeItems::Expanded(int index) const {
    return Contains(index) && items_[IdOf(index)].expanded;
}

void TreeItems::Expand(int index) {
    if (!Contains(index)) return;
    const int id = IdOf(index);
    RevealId(id);
    items_[id].expanded = items_[id].childCount > 0;
}

void TreeItems::ExpandAll(int index) {
    int first = firstTop_;
    int end = -1;  // the id after the last one to expand, in pre-order
    if (index != -1) {
        if (!Contains(index)) return;
        first = IdOf(index);
        RevealId(first);
        for (int up = first; up >= 0 && end < 0; up = items_[up].parent)
            end = items_[up].nextSibling;
    }
    for (int id = first; id != end && id >= 0; id = NextId(id, false))
        items_[id].expanded = items_[id].childCount > 0;
}

// Only expanded items can have expanded items below them, so the walk stays within what is shown.
void TreeItems::Collapse(int index) {
    if (!Contains(index)) return;
    const int top = IdOf(index);
    if (!items_[top].expanded) return;
    const int level = items_[top].level;
    items_[top].expanded = false;
    for (int id = items_[top].firstChild; id >= 0 && items_[id].level > level;) {
        const bool open = items_[id].expanded;
        items_[id].expanded = false;
        if (open) {
            id = items_[id].firstChild;
            continue;
        }
        while (id >= 0 && items_[id].nextSibling < 0) id = items_[id].parent;
        if (id >= 0) id = items_[id].nextSibling;
    }
}

void TreeItems::Reveal(int index) {
    if (Contains(index)) RevealId(IdOf(index));
}

void TreeItems::RevealId(int id) {
    for (int up = items_[id].parent; up >= 0 && !items_[up].expanded; up = items_[up].parent)
        items_[up].expanded = true;
}

int TreeItems::NextId(int id, bool shownOnly) const {
    const Item& item = items_[id];
    if (item.firstChild >= 0 && (item.expanded || !shownOnly)) return item.firstChild;
    while (id >= 0 && items_[id].nextSibling < 0) id = items_[id].parent;
    return id < 0 ? -1 : items_[id].nextSibling;
}

std::vector<int> TreeItems::Shown(int* deepest) const {
    std::vector<int> shown;
    int level = 0;
    for (int id = firstTop_; id >= 0; id = NextId(id, true)) {
        shown.push_back(IndexOfId(id));
        level = std::max(level, static_cast<int>(items_[id].level));
    }
    if (deepest) *deepest = level;
    return shown;
}

// True when the new last child of `parentId` is also the last item in pre-order: the parent is
// the last item itself or one of its ancestors (or the item is a top-level one).
bool TreeItems::AppendsInPreOrder(int parentId) const {
    if (parentId < 0) return true;
    for (int id = Count() - 1; id >= 0; id = items_[id].parent)
        if (id == parentId) return true;
    return false;
}

void TreeItems::Renumber() {
    idAt_.clear();
    indexOf_.assign(items_.size(), 0);
    for (int id = firstTop_; id >= 0; id = NextId(id, false)) {
        indexOf_[id] = static_cast<int>(idAt_.size());
        idAt_.push_back(id);
    }
}

}  // namespace quillon::ui
