#pragma once
// The items of the XML tree: a flat array with each item's parent, level, item value, label,
// children and whether it is expanded, numbered in depth-first pre-order the way the handlers
// address them.
//
// Items added in pre-order (every new item goes under the last item or one of its ancestors, as
// filling a tree does) keep their array position as their pre-order index, so adding an item and
// looking one up are O(1). An item added anywhere else makes the numbering be rebuilt once.
//
// Only an item whose ancestors are all expanded can be expanded itself; collapsing an item
// collapses everything below it. So the items shown are exactly the top-level items and the
// children of expanded items, and expanding an item again shows one level.
#include <vector>

#include "runtime/text.h"

namespace quillon::ui {

class TreeItems {
  public:
    // Items by pre-order index; an index that names no item answers -1, 0 or empty.
    void Clear();
    // Adds the last child of `parent` (-1: a top-level item); its index, or -1 for a bad parent.
    int Add(int parent, const Text& text);
    int Count() const { return static_cast<int>(items_.size()); }
    bool Contains(int index) const { return index >= 0 && index < Count(); }
    int Value(int index) const;
    void SetValue(int index, int value);
    Text Label(int index) const;
    void SetLabel(int index, const Text& text);
    int Parent(int index) const;
    int Level(int index) const;
    int ChildCount(int index) const;
    bool HasNextSibling(int index) const;

    bool Expanded(int index) const;
    // Expands the item (if it has children) and every ancestor.
    void Expand(int index);
    // Expands the item, its ancestors and every item below it; -1 expands every item.
    void ExpandAll(int index);
    void Collapse(int index);
    // Expands every ancestor, so that the item is shown.
    void Reveal(int index);

    // The items shown, in pre-order, and the deepest level among them.
    std::vector<int> Shown(int* deepest) const;

  private:
    // Children are linked rather than listed, so that adding an item allocates nothing of its
    // own: filling a tree of a million elements is a million appends.
    struct Item {
        int parent;      // id, -1 for a top-level item
        int level : 31;  // number of ancestors
        bool expanded : 1;
        int value = 0;
        int firstChild = -1;  // ids, -1 for none
        int lastChild = -1;
        int nextSibling = -1;
        int childCount = 0;
        Text text;
    };

    int IdOf(int index) const { return inPreOrder_ ? index : idAt_[index]; }
    int IndexOfId(int id) const { return inPreOrder_ ? id : indexOf_[id]; }
    bool AppendsInPreOrder(int parentId) const;
    void Renumber();
    void RevealId(int id);
    // The id after `id` in pre-order, stepping into children only of expanded items when
    // `shownOnly`; -1 after the last.
    int NextId(int id, bool shownOnly) const;

    std::vector<Item> items_;  // by id: the order in which items were added
    int firstTop_ = -1;        // the top-level items' list, by id
    int lastTop_ = -1;
    // Pre-order numbering, only kept once items stopped arriving in pre-order.
    bool inPreOrder_ = true;
    std::vector<int> idAt_;     // pre-order index -> id
    std::vector<int> indexOf_;  // id -> pre-order index
};

}  // namespace quillon::ui
