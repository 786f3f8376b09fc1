#include "ui/edit_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <random>

#include "runtime/codepage.h"
#include "ui/text_convert.h"

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

// What converting the whole text afresh gives: the mirror must always agree with it.
Text Whole(const QTextDocument& document) {
    return ToCrLfText(document.toRawText());
}

// Random typing, pasting, deleting, undo and redo on a box, read back now and then: the box's
// bytes, kept up to date block by block, always equal a conversion of the whole text.
class RandomEdits {
  public:
    explicit RandomEdits(unsigned seed) : random_(seed) {}

    QString Piece() {
        static const char16_t* const kPieces[] = {
            u"a",          u"xml",    u"\n",           u"\r\n",
            u"\n\n",       u"\u2029", u"\u65E9\u5B89", u"\u00A0",
            u"\U0001F600", u"\u20AC", u"<t a=\"1\">",  u"line\nbreak\n",
            u"\r",         u""};
        QString piece;
        for (int n = Below(4); n >= 0; --n)
            piece += QString::fromUtf16(kPieces[Below(std::size(kPieces))]);
        return piece;
    }

    void Edit(TextBox& box) {
        QTextCursor cursor(box.document());
        const int size = box.document()->characterCount() - 1;
        cursor.setPosition(Below(size + 1));
        switch (Below(7)) {
            case 0:
                cursor.setPosition(std::min(size, cursor.position() + Below(12)),
                                   QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                break;
            case 1:
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(Piece());
                break;
            case 2:
                box.undo();
                break;
            case 3:
                box.redo();
                break;
            case 4:  // a replacement across a few lines
                cursor.setPosition(std::min(size, cursor.position() + Below(40)),
                                   QTextCursor::KeepAnchor);
                cursor.insertText(Piece());
                break;
            default:
                cursor.insertText(Piece());
        }
    }

    int Below(std::size_t bound) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_));
    }

  private:
    std::mt19937 random_;
};

TEST(TextBox, StaysExactUnderRandomEdits) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        RandomEdits edits(seed);
        TextBox box;
        if (seed % 2) box.SetContent(G("<r>\n  <x>早安</x>\n</r>\n"));
        for (int step = 0; step < 400; ++step) {
            edits.Edit(box);
            if (edits.Below(3) == 0) {
                ASSERT_EQ(box.Content(), Whole(*box.document()))
                    << "seed " << seed << " step " << step;
            }
            if (step % 97 == 96) box.SetContent(box.Content());  // as a rename writes it back
        }
        EXPECT_EQ(box.Content(), Whole(*box.document()));
    }
}

TEST(TextBox, FollowsKeystrokesAndPastes) {
    TextBox box;
    box.SetContent("<a>\r\n</a>");
    EXPECT_EQ(box.Content(), "<a>\r\n</a>");
    box.moveCursor(QTextCursor::Start);
    box.moveCursor(QTextCursor::EndOfBlock);
    QTest::keyClicks(&box, QStringLiteral("x"));
    QTest::keyClick(&box, Qt::Key_Return);
    QTest::keyClick(&box, Qt::Key_Delete);  // joins the new line with "</a>"
    EXPECT_EQ(box.Content(), "<a>x\r\n</a>");
    QApplication::clipboard()->setText(QString::fromUtf8("早\n\U0001F600\n"));
    box.paste();
    EXPECT_EQ(box.Content(), G("<a>x\r\n早\r\n\U0001F600\r\n</a>"));
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Backspace);  // the line break, then the whole pair
    EXPECT_EQ(box.Content(), G("<a>x\r\n早\r\n</a>"));
    box.undo();
    EXPECT_EQ(box.Content(), Whole(*box.document()));
}

TEST(TextBox, FollowsEditsInALargeDocument) {
    // Enough lines that a small edit converts a few blocks and a large paste copies the text.
    Text source;
    for (int i = 0; i < 3000; ++i)
        source += "<item n=\"" + std::to_string(i) + "\">" + G("值") + "</item>\r\n";
    TextBox box;
    box.SetContent(source);
    EXPECT_EQ(box.Content(), source);

    QTextCursor cursor(box.document()->findBlockByNumber(1500));
    cursor.insertText(QStringLiteral("x"));
    cursor.insertBlock();
    Text expected = source;
    const std::size_t line = expected.find("<item n=\"1500\"");
    expected.insert(line, "x\r\n");
    EXPECT_EQ(box.Content(), expected);

    // A paste of a thousand lines in the middle, then a line joined at the start.
    QString paste;
    for (int i = 0; i < 1000; ++i) paste += QStringLiteral("p\n");
    cursor.insertText(paste);
    QTextCursor start(box.document());
    start.movePosition(QTextCursor::EndOfBlock);
    start.deleteChar();
    EXPECT_EQ(box.Content(), Whole(*box.document()));
    box.undo();
    box.undo();
    EXPECT_EQ(box.Content(), Whole(*box.document()));
    box.selectAll();
    box.cut();
    EXPECT_EQ(box.Content(), "");

    // A document swapped in (the old one is deleted with it) is followed from then on.
    auto* other = new QTextDocument(&box);
    other->setDocumentLayout(new QPlainTextDocumentLayout(other));
    other->setPlainText(QStringLiteral("other\ntext"));
    box.setDocument(other);
    EXPECT_EQ(box.Content(), "other\r\ntext");
    box.appendPlainText(QStringLiteral("more"));
    EXPECT_EQ(box.Content(), "other\r\ntext\r\nmore");
}

TEST(DocumentMirror, ConvertsEverythingAgainWhenAChangeWentUnreported) {
    QTextDocument document;
    document.setPlainText(QStringLiteral("one\ntwo\nthree"));
    DocumentMirror mirror(document);
    EXPECT_EQ(mirror.Bytes(), "one\r\ntwo\r\nthree");
    // A change at the end is reported, an earlier one that changes the length is not: the
    // lengths no longer add up, and the mirror does not hand out the stale first line.
    QTextCursor(&document).insertText(QStringLiteral("zero "));
    QTextCursor end(&document);
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral("!"));
    mirror.Changed(end.position() - 1, 1);
    EXPECT_EQ(mirror.Bytes(), "zero one\r\ntwo\r\nthree!");
    // Unchanged since the last read: the same bytes without any work.
    EXPECT_EQ(&mirror.Bytes(), &mirror.Bytes());
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
