#include "ui/tree_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace quillon::ui {
namespace {

// "label<parent" for every item in index order: numbering and parents at a glance.
std::string Layout(const TreeModel& model) {
    std::string out;
    for (int i = 0; i < model.Count(); ++i)
        out += (i ? " " : "") + model.Label(i) + "<" + std::to_string(model.Parent(i));
    return out;
}

TEST(TreeModel, ItemsAddedDepthFirstKeepTheirIndexes) {
    TreeModel model;
    model.Clear();
    EXPECT_EQ(model.Add(-1, "r"), 0);
    EXPECT_EQ(model.Add(0, "a"), 1);
    EXPECT_EQ(model.Add(1, "x"), 2);
    EXPECT_EQ(model.Add(0, "b"), 3);  // back up to the root
    model.SetValue(3, 2);
    model.EndBatch();
    EXPECT_EQ(Layout(model), "r<-1 a<0 x<1 b<0");
    EXPECT_EQ(model.Value(3), 2);
    EXPECT_EQ(model.Value(0), 0);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.rowCount(model.ModelIndex(0)), 2);
    EXPECT_EQ(model.IndexOf(model.index(1, 0, model.ModelIndex(0))), 3);
    EXPECT_EQ(model.IndexOf(model.parent(model.ModelIndex(2))), 1);
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
    EXPECT_EQ(model.IndexOf(model.index(1, 0)), 5);
    EXPECT_EQ(model.data(model.ModelIndex(2)).toString(), "x");
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
    EXPECT_FALSE(model.ModelIndex(0).isValid());
}

TEST(TreeModel, FillingIsOneResetAndLaterAddsAreInsertions) {
    TreeModel model;
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    model.Clear();
    for (int i = 0; i < 100; ++i) model.Add(i == 0 ? -1 : 0, "e");
    EXPECT_EQ(model.rowCount(), 0);  // the view sees nothing until the batch ends
    model.EndBatch();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(model.rowCount(model.ModelIndex(0)), 99);
    model.Add(0, "late");
    EXPECT_EQ(inserts.count(), 1);
    EXPECT_EQ(model.rowCount(model.ModelIndex(0)), 100);
}

TEST(TreeModel, CommittedLabelIsStoredOnlyWhenAccepted) {
    TreeModel model;
    model.Clear();
    model.Add(-1, "r");
    model.Add(0, "a");
    model.EndBatch();
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

}  // namespace
}  // namespace quillon::ui
