#include "ui/tree_items.h"

#include <algorithm>
#include <utility>

namespace quillon::ui {

void TreeItems::Clear() {
    items_.clear();
    topLevel_.clear();
    idAt_.clear();
    indexOf_.clear();
    inPreOrder_ = true;
}

int TreeItems::Add(int parent, const Text& text) {
    if (parent != -1 && !Contains(parent)) return -1;
    const int parentId = parent == -1 ? -1 : IdOf(parent);
    const bool stillInPreOrder = inPreOrder_ && AppendsInPreOrder(parentId);
    const int id = Count();
    std::vector<int>& siblings = parentId < 0 ? topLevel_ : items_[parentId].children;
    const int row = static_cast<int>(siblings.size());
    siblings.push_back(id);
    const int level = parentId < 0 ? 0 : items_[parentId].level + 1;
    items_.push_back({parentId, row, level, false, 0, text, {}});
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
    return Contains(index) ? static_cast<int>(items_[IdOf(index)].children.size()) : 0;
}

bool TreeItems::HasNextSibling(int index) const {
    if (!Contains(index)) return false;
    const Item& item = items_[IdOf(index)];
    return item.row + 1 < static_cast<int>(ChildrenOf(item.parent).size());
}

bool TreeItems::Expanded(int index) const {
    return Contains(index) && items_[IdOf(index)].expanded;
}

void TreeItems::Expand(int index) {
    if (!Contains(index)) return;
    const int id = IdOf(index);
    RevealId(id);
    items_[id].expanded = !items_[id].children.empty();
}

void TreeItems::ExpandAll(int index) {
    std::vector<int> pending = topLevel_;
    if (index != -1) {
        if (!Contains(index)) return;
        pending.assign(1, IdOf(index));
        RevealId(pending[0]);
    }
    while (!pending.empty()) {
        Item& item = items_[pending.back()];
        pending.pop_back();
        item.expanded = !item.children.empty();
        pending.insert(pending.end(), item.children.begin(), item.children.end());
    }
}

// Only expanded items can have expanded items below them, so the walk stays within what is shown.
void TreeItems::Collapse(int index) {
    if (!Contains(index)) return;
    std::vector<int> pending{IdOf(index)};
    while (!pending.empty()) {
        Item& item = items_[pending.back()];
        pending.pop_back();
        if (!item.expanded) continue;
        item.expanded = false;
        pending.insert(pending.end(), item.children.begin(), item.children.end());
    }
}

void TreeItems::Reveal(int index) {
    if (Contains(index)) RevealId(IdOf(index));
}

void TreeItems::RevealId(int id) {
    for (int up = items_[id].parent; up >= 0 && !items_[up].expanded; up = items_[up].parent)
        items_[up].expanded = true;
}

std::vector<int> TreeItems::Shown(int* deepest) const {
    std::vector<int> shown;
    int level = 0;
    // Each entry is a sibling list and the position of the next sibling to show.
    std::vector<std::pair<const std::vector<int>*, std::size_t>> walk{{&topLevel_, 0}};
    while (!walk.empty()) {
        auto& [siblings, next] = walk.back();
        if (next == siblings->size()) {
            walk.pop_back();
            continue;
        }
        const int id = (*siblings)[next++];
        const Item& item = items_[id];
        shown.push_back(IndexOfId(id));
        level = std::max(level, item.level);
        if (item.expanded) walk.emplace_back(&item.children, 0);
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
    std::vector<int> pending(topLevel_.rbegin(), topLevel_.rend());
    while (!pending.empty()) {
        const int id = pending.back();
        pending.pop_back();
        indexOf_[id] = static_cast<int>(idAt_.size());
        idAt_.push_back(id);
        const auto& children = items_[id].children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

const std::vector<int>& TreeItems::ChildrenOf(int id) const {
    return id < 0 ? topLevel_ : items_[id].children;
}

}  // namespace quillon::ui
