#include "ui/edit_boxes.h"

#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace quillon::ui {
namespace {

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

TEST(TextBox, HandsOutCrLfAndTakesCrLfOrLf) {
    TextBox box;
    box.setPlainText(QStringLiteral("one\ntwo\n"));
    EXPECT_EQ(box.Content(), "one\r\ntwo\r\n");
    box.SetContent("a\r\nb\nc");
    EXPECT_EQ(box.toPlainText(), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(box.Content(), "a\r\nb\r\nc");
    box.SetContent("");
    EXPECT_EQ(box.Content(), "");
}

TEST(TextBox, ContentFollowsEveryEdit) {
    TextBox box;
    box.SetContent("<a/>");
    EXPECT_EQ(box.Content(), "<a/>");
    box.moveCursor(QTextCursor::End);
    box.insertPlainText(QStringLiteral("\nmore"));
    EXPECT_EQ(box.Content(), "<a/>\r\nmore");
    box.undo();
    EXPECT_EQ(box.Content(), "<a/>");
    box.clear();
    EXPECT_EQ(box.Content(), "");
}

TEST(TextBox, TypedCharactersComeBackUnchanged) {
    // CJK, a no-break space, a character beyond the BMP and one outside GBK proper.
    const QString typed = QString::fromUtf8("早安\u00A0x\U0001F600\u20AC\u00E9");
    TextBox box;
    box.insertPlainText(typed);  // as a paste would
    const Text bytes = box.Content();
    EXPECT_EQ(bytes.substr(0, 4), G("早安"));
    EXPECT_EQ(bytes, G(typed.toStdString()));
    box.SetContent(bytes);
    EXPECT_EQ(box.document()->toRawText(), typed);
    EXPECT_EQ(box.Content(), bytes);
}

TEST(LineBox, RoundTripsAndHasNoLengthLimit) {
    LineBox box;
    box.SetContent(G("msg/@1/标题"));
    EXPECT_EQ(box.text(), QString::fromUtf8("msg/@1/标题"));
    EXPECT_EQ(box.Content(), G("msg/@1/标题"));
    const Text longPath(100000, 'p');
    box.SetContent(longPath);
    EXPECT_EQ(box.Content(), longPath);
}

}  // namespace
}  // namespace quillon::ui
