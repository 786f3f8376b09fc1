#include "ui/tree_model.h"

#include "ui/text_convert.h"

namespace quillon::ui {

TreeModel::TreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void TreeModel::Clear() {
    if (!batch_) {
        beginResetModel();
        batch_ = true;
    }
    items_.clear();
    topLevel_.clear();
    idAt_.clear();
    indexOf_.clear();
    inPreOrder_ = true;
}

void TreeModel::EndBatch() {
    if (!batch_) return;
    batch_ = false;
    endResetModel();
}

int TreeModel::Add(int parent, const Text& text) {
    if (parent != -1 && !Contains(parent)) return -1;
    const int parentId = parent == -1 ? -1 : IdOf(parent);
    const bool stillInPreOrder = inPreOrder_ && AppendsInPreOrder(parentId);
    const int id = Count();
    const int row = static_cast<int>(ChildrenOf(parentId).size());
    if (!batch_) {
        const QModelIndex parentIndex =
            parentId < 0 ? QModelIndex() : createIndex(items_[parentId].row, 0, quintptr(parentId));
        beginInsertRows(parentIndex, row, row);
    }
    const int level = parentId < 0 ? 0 : items_[parentId].level + 1;
    items_.push_back({parentId, row, level, 0, text, {}});
    (parentId < 0 ? topLevel_ : items_[parentId].children).push_back(id);
    if (!stillInPreOrder) {
        inPreOrder_ = false;
        Renumber();
    }
    if (!batch_) endInsertRows();
    return IndexOfId(id);
}

int TreeModel::Value(int index) const {
    return Contains(index) ? items_[IdOf(index)].value : 0;
}

void TreeModel::SetValue(int index, int value) {
    if (Contains(index)) items_[IdOf(index)].value = value;
}

Text TreeModel::Label(int index) const {
    return Contains(index) ? items_[IdOf(index)].text : Text();
}

void TreeModel::SetLabel(int index, const Text& text) {
    if (!Contains(index)) return;
    items_[IdOf(index)].text = text;
    if (batch_) return;
    const QModelIndex changed = ModelIndex(index);
    emit dataChanged(changed, changed);
}

int TreeModel::Parent(int index) const {
    if (!Contains(index)) return -1;
    const int parentId = items_[IdOf(index)].parent;
    return parentId < 0 ? -1 : IndexOfId(parentId);
}

QModelIndex TreeModel::ModelIndex(int index) const {
    if (!Contains(index)) return {};
    const int id = IdOf(index);
    return createIndex(items_[id].row, 0, quintptr(id));
}

int TreeModel::IndexOf(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || !ValidId(index.internalId())) return -1;
    return IndexOfId(static_cast<int>(index.internalId()));
}

int TreeModel::Level(const QModelIndex& index) const {
    if (!index.isValid() || !ValidId(index.internalId())) return 0;
    return items_[index.internalId()].level;
}

int TreeModel::IdOf(int index) const {
    return inPreOrder_ ? index : idAt_[index];
}

int TreeModel::IndexOfId(int id) const {
    return inPreOrder_ ? id : indexOf_[id];
}

// True when the new last child of `parentId` is also the last item in pre-order: the parent is
// the last item itself or one of its ancestors (or the item is a top-level one).
bool TreeModel::AppendsInPreOrder(int parentId) const {
    if (parentId < 0) return true;
    for (int id = Count() - 1; id >= 0; id = items_[id].parent)
        if (id == parentId) return true;
    return false;
}

void TreeModel::Renumber() {
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

const std::vector<int>& TreeModel::ChildrenOf(int id) const {
    return id < 0 ? topLevel_ : items_[id].children;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    int parentId = -1;
    if (parent.isValid()) {
        if (!ValidId(parent.internalId())) return {};
        parentId = static_cast<int>(parent.internalId());
    }
    const auto& children = ChildrenOf(parentId);
    if (row >= static_cast<int>(children.size())) return {};
    return createIndex(row, 0, quintptr(children[row]));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || !ValidId(child.internalId())) return {};
    const int parentId = items_[child.internalId()].parent;
    if (parentId < 0) return {};
    return createIndex(items_[parentId].row, 0, quintptr(parentId));
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (batch_) return 0;
    if (!parent.isValid()) return static_cast<int>(topLevel_.size());
    if (parent.column() != 0 || !ValidId(parent.internalId())) return 0;
    return static_cast<int>(items_[parent.internalId()].children.size());
}

int TreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    if (!index.isValid() || !ValidId(index.internalId())) return {};
    return ToQString(items_[index.internalId()].text);
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const int item = IndexOf(index);
    if (role != Qt::EditRole || item < 0) return false;
    const Text label = ToText(value.toString());
    if (acceptLabel && !acceptLabel(item, label)) return false;
    // The handler may have changed the tree meanwhile; store only into the item it accepted.
    if (Label(item) != label && IndexOf(index) == item) SetLabel(item, label);
    return true;
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

}  // namespace quillon::ui
