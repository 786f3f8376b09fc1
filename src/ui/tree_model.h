#pragma once
// The item store behind the XML tree view: a flat array of items with their parent, item value,
// label and child list, numbered in depth-first pre-order the way the handlers address them.
//
// Items added in pre-order (every new item goes under the last item or one of its ancestors, as
// filling a tree does) keep their array position as their pre-order index, so adding an item and
// looking one up are O(1). An item added anywhere else makes the numbering be rebuilt once.
//
// Filling a freshly emptied tree is one batch: the view hears a single reset when the batch ends
// instead of one insertion per item.
#include <QAbstractItemModel>
#include <functional>
#include <vector>

#include "runtime/text.h"

namespace quillon::ui {

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit TreeModel(QObject* parent = nullptr);

    // The handlers' view: items by pre-order index, -1 for none.
    void Clear();
    int Add(int parent, const Text& text);
    int Count() const { return static_cast<int>(items_.size()); }
    bool Contains(int index) const { return index >= 0 && index < Count(); }
    int Value(int index) const;
    void SetValue(int index, int value);
    Text Label(int index) const;
    void SetLabel(int index, const Text& text);
    int Parent(int index) const;

    // Ends a running batch: the view reloads everything at once.
    void EndBatch();
    bool InBatch() const { return batch_; }

    QModelIndex ModelIndex(int index) const;
    int IndexOf(const QModelIndex& index) const;
    // How many ancestors the item has: 0 for a top-level item (and for an invalid index).
    int Level(const QModelIndex& index) const;

    // Asked when an in-place edit commits `label` for the item; true keeps the new label.
    std::function<bool(int index, const Text& label)> acceptLabel;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    struct Item {
        int parent;  // id, -1 for a top-level item
        int row;     // position among the parent's children
        int level;   // number of ancestors
        int value = 0;
        Text text;
        std::vector<int> children;  // ids
    };

    int IdOf(int index) const;
    int IndexOfId(int id) const;
    bool AppendsInPreOrder(int parentId) const;
    void Renumber();
    const std::vector<int>& ChildrenOf(int id) const;
    bool ValidId(quintptr id) const { return id < items_.size(); }

    std::vector<Item> items_;  // by id: the order in which items were added
    std::vector<int> topLevel_;
    // Pre-order numbering, only kept once items stopped arriving in pre-order.
    bool inPreOrder_ = true;
    std::vector<int> idAt_;     // pre-order index -> id
    std::vector<int> indexOf_;  // id -> pre-order index
    bool batch_ = false;
};

}  // namespace quillon::ui
