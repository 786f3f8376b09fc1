#include "ui/tree_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>
#include <random>

namespace quillon::ui {
namespace {

// "label<parent" for every item in index order: numbering and parents at a glance.
std::string Layout(const TreeModel& model) {
    std::string out;
    for (int i = 0; i < model.Count(); ++i)
        out += (i ? " " : "") + model.Label(i) + "<" + std::to_string(model.Parent(i));
    return out;
}

std::vector<int> Rows(const TreeModel& model) {
    std::vector<int> rows;
    for (int row = 0; row < model.rowCount(); ++row) rows.push_back(model.ItemAt(row));
    return rows;
}

TEST(TreeModel, ItemsAddedDepthFirstKeepTheirIndexes) {
    TreeModel model;
    model.Clear();
    EXPECT_EQ(model.Add(-1, "r"), 0);
    EXPECT_EQ(model.Add(0, "a"), 1);
    EXPECT_EQ(model.Add(1, "x"), 2);
    EXPECT_EQ(model.Add(0, "b"), 3);  // back up to the root
    model.SetValue(3, 2);
    EXPECT_EQ(model.rowCount(), 0);  // the view sees nothing until the batch ends
    model.EndBatch();
    EXPECT_EQ(Layout(model), "r<-1 a<0 x<1 b<0");
    EXPECT_EQ(model.Value(3), 2);
    EXPECT_EQ(model.Value(0), 0);
    EXPECT_EQ(Rows(model), std::vector<int>{0});
    model.Expand(0);
    EXPECT_EQ(Rows(model), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(model.IndexOf(model.ModelIndex(3)), 3);
    EXPECT_FALSE(model.ModelIndex(2).isValid());  // under a collapsed item
}

TEST(TreeModel, ItemAddedOutOfOrderIsNumberedInPreOrder) {
    TreeModel model;
    model.Clear();
    model.Add(-1, "r");
    model.Add(0, "a");
    model.Add(0, "b");
    model.SetValue(2, 7);
    EXPECT_EQ(model.Add(1, "x"), 2);  // under "a", ahead of "b"
    EXPECT_EQ(Layout(model), "r<-1 a<0 x<1 b<0");
    EXPECT_EQ(model.Value(3), 7);
    EXPECT_EQ(model.Add(3, "y"), 4);
    EXPECT_EQ(model.Add(-1, "s"), 5);
    model.EndBatch();
    EXPECT_EQ(Layout(model), "r<-1 a<0 x<1 b<0 y<3 s<-1");
    EXPECT_EQ(model.data(model.ModelIndex(5)).toString(), "s");
}

TEST(TreeModel, BadIndexesAnswerEmpty) {
    TreeModel model;
    EXPECT_EQ(model.Add(3, "orphan"), -1);
    EXPECT_EQ(model.Count(), 0);
    EXPECT_EQ(model.Parent(5), -1);
    EXPECT_EQ(model.Value(-1), 0);
    EXPECT_EQ(model.Label(9), "");
    EXPECT_EQ(model.IndexOf({}), -1);
    model.SetValue(4, 1);
    model.SetLabel(4, "x");
    model.Expand(7);
    model.Collapse(-3);
    EXPECT_FALSE(model.ModelIndex(0).isValid());
}

TEST(TreeModel, CommittedLabelIsStoredOnlyWhenAccepted) {
    TreeModel model;
    model.Clear();
    model.Add(-1, "r");
    model.Add(0, "a");
    model.EndBatch();
    model.Expand(0);
    int asked = -1;
    bool accept = false;
    model.acceptLabel = [&](int item, const Text&) {
        asked = item;
        return accept;
    };
    EXPECT_FALSE(model.setData(model.ModelIndex(1), QStringLiteral("b")));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(model.Label(1), "a");
    accept = true;
    EXPECT_TRUE(model.setData(model.ModelIndex(1), QString::fromUtf8("标题")));
    EXPECT_EQ(model.Label(1), "\xB1\xEA\xCC\xE2");  // GBK
}

// Random trees, random expanding, collapsing and adding: the rows are always the items whose
// ancestors are all expanded, in index order, and a row the view holds on to follows its item.
TEST(TreeModel, RowsFollowExpansionLikeAModel) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        TreeModel model;
        std::vector<int> parent;     // by index, kept in step with the model
        std::vector<char> expanded;  // the model's own idea of what is open
        auto add = [&](int under) {
            const int item = model.Add(under, "e");
            for (int& p : parent) p += p >= item;
            parent.insert(parent.begin() + item, under >= item ? under + 1 : under);
            expanded.insert(expanded.begin() + item, 0);
            return item;
        };
        auto childCount = [&](int item) {
            return static_cast<int>(std::count(parent.begin(), parent.end(), item));
        };
        auto below = [&](int item, int top) {  // item lies under top (or is it)
            while (item >= 0 && item != top) item = parent[item];
            return item == top;
        };
        model.Clear();
        for (int i = 0; i < 60; ++i) {
            // Mostly in pre-order, as a fill adds them: under the last item or an ancestor.
            int under = parent.empty() ? -1 : static_cast<int>(parent.size()) - 1;
            while (under >= 0 && random() % 3 == 0) under = parent[under];
            add(under);
        }
        model.EndBatch();

        for (int step = 0; step < 60; ++step) {
            const int count = static_cast<int>(parent.size());
            const int item = static_cast<int>(random() % count);
            const QPersistentModelIndex held =
                model.index(static_cast<int>(random() % model.rowCount()), 0);
            int heldItem = model.IndexOf(held);
            switch (random() % 5) {
                case 0:
                    model.Expand(item);
                    for (int up = parent[item]; up >= 0; up = parent[up]) expanded[up] = 1;
                    expanded[item] = childCount(item) > 0;
                    break;
                case 1:
                    model.ExpandAll(item);
                    for (int up = parent[item]; up >= 0; up = parent[up]) expanded[up] = 1;
                    for (int i = 0; i < count; ++i)
                        if (below(i, item)) expanded[i] = childCount(i) > 0;
                    break;
                case 2:
                    model.Collapse(item);
                    for (int i = 0; i < count; ++i)
                        if (below(i, item)) expanded[i] = 0;
                    break;
                case 3:
                    model.Reveal(item);
                    for (int up = parent[item]; up >= 0; up = parent[up]) expanded[up] = 1;
                    break;
                default:
                    heldItem += add(random() % 4 ? item : -1) <= heldItem;
                    break;
            }
            std::vector<int> shown;
            for (int i = 0; i < static_cast<int>(parent.size()); ++i) {
                bool open = true;
                for (int up = parent[i]; up >= 0 && open; up = parent[up]) open = expanded[up];
                if (open) shown.push_back(i);
                ASSERT_EQ(model.IsExpanded(i), expanded[i] != 0) << round << " " << step;
            }
            ASSERT_EQ(Rows(model), shown) << round << " " << step;
            const bool stillShown = std::binary_search(shown.begin(), shown.end(), heldItem);
            ASSERT_EQ(held.isValid(), stillShown) << round << " " << step;
            if (stillShown) {
                ASSERT_EQ(model.IndexOf(held), heldItem) << round << " " << step;
            }
        }
    }
}

TEST(TreeModel, LaterAddsAreInsertions) {
    TreeModel model;
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    model.Clear();
    for (int i = 0; i < 100; ++i) model.Add(i == 0 ? -1 : 0, "e");
    model.EndBatch();
    model.Expand(0);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    model.Add(0, "late");
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(model.rowCount(), 101);
}

}  // namespace
}  // namespace quillon::ui
