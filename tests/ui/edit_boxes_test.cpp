#include "ui/edit_boxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTest>
#include <random>

#include "runtime/codepage.h"
#include "ui/text_box/gb_bytes.h"
#include "ui/text_convert.h"

namespace quillon::ui {
namespace {

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

// Typed key by key, as a keyboard (or an input method that sends keys) would.
void Type(QWidget& box, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&box, &press);
    }
}

// Shown at the source box's size, with the focus, so lines wrap as they do in the window.
void Show(TextBox& box) {
    box.resize(400, 280);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.activateWindow();
    box.setFocus();
}

// What reads back is what showing the bytes as Unicode and reading that back gives: CR LF, lone
// CR, lone LF, U+2029 and the frame marks are one line break each, broken bytes U+FFFD.
TEST(TextBox, ReadsBackWhatTheUnicodeRoundTripGives) {
    const struct {
        Text set;
        Text expected;
    } kCases[] = {
        {"a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd"},
        {"\r\r\n\n", "\r\n\r\n\r\n"},
        {"x" + G("\u2029") + "y" + G("\uFDD0\uFDD1"), "x\r\ny\r\n\r\n"},
        {"a\x81\xFF"
         "b\x80",
         "a\x84\x31\xA4\x37\x84\x31\xA4\x37"
         "b\x84\x31\xA4\x37"},
        {G("早安\u00A0\U0001F600\u20AC\u2028"), G("早安\u00A0\U0001F600\u20AC\u2028")},
        {"\x81\x30\x84", "\x84\x31\xA4\x37\x30\x84\x31\xA4\x37"},
        {"", ""},
    };
    TextBox box;
    for (const auto& c : kCases) {
        box.SetContent(c.set);
        EXPECT_EQ(box.Content(), c.expected) << c.set;
        EXPECT_EQ(box.Content(), gb::fromUnicode(ToQString(c.set))) << c.set;
    }
    box.setPlainText(QString::fromUtf8("one\ntwo\r\n"));
    EXPECT_EQ(box.Content(), "one\r\ntwo\r\n");
    EXPECT_EQ(box.toPlainText(), QStringLiteral("one\ntwo\n"));
}

// Random bytes, rich in the bytes that start and continue multi-byte characters and breaks.
TEST(TextBox, CanonicalBytesAgreeWithTheUnicodeRoundTrip) {
    std::mt19937 random(7);
    const unsigned char kBytes[] = {'a',  ' ',  '\r', '\n', 0x30, 0x39, 0x40, 0x7F, 0x80, 0x81,
                                    0x84, 0x90, 0xA1, 0xB0, 0xD4, 0xE3, 0xFE, 0xFF, 0x00, 0xA8};
    for (int round = 0; round < 3000; ++round) {
        Text bytes;
        for (int n = random() % 12; n > 0; --n) bytes += static_cast<char>(kBytes[random() % 20]);
        ASSERT_EQ(gb::canonical(bytes), gb::fromUnicode(ToQString(bytes))) << round;
    }
}

// Characters of canonical bytes, read from the start as the model of the box's stepping.
std::size_t SnapIn(const Text& bytes, std::size_t at) {
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t next = from + gb::charSize(static_cast<unsigned char>(bytes[from]),
                                                     static_cast<unsigned char>(bytes[from + 1]));
        if (next > at) break;
        from = next;
    }
    return std::min(from, bytes.size());
}
std::size_t NextIn(const Text& bytes, std::size_t at) {
    std::size_t from = 0;
    while (from <= at && from < bytes.size())
        from += gb::charSize(static_cast<unsigned char>(bytes[from]),
                             static_cast<unsigned char>(bytes[from + 1]));
    return std::min(from, bytes.size());
}

// The text with its undo states; every operation of the test is one step.
struct Model {
    Text bytes;
    std::vector<Text> states{""};
    std::size_t done = 0;

    void Commit(const Text& after) {
        if (after == bytes) return;
        states.resize(done + 1);
        states.push_back(after);
        ++done;
        bytes = after;
    }
    void Undo() { bytes = states[done = done > 0 ? done - 1 : 0]; }
    void Redo() { bytes = states[done = std::min(done + 1, states.size() - 1)]; }
};

// Random typing, pasting, deleting, cutting, undo and redo against the model, over text whose
// lines run past the wrap width, past the longest line the box lays out and across its gap.
TEST(TextBox, StaysExactUnderRandomEdits) {
    const QString kPieces[] = {
        QStringLiteral("a"),
        QString::fromUtf8("早安"),
        QString::fromUtf8("\U0001F600\u00A0"),
        QStringLiteral("\n"),
        QStringLiteral("\r\n<t a=\"1\">"),
        QString(900, u'x'),
        QString(700, QChar(0x4E2D)),
        QString::fromUtf8("word 字 ").repeated(120),
        QString::fromUtf8("\U00020000").repeated(300),
        QString(1200, QChar(0x200B)),  // takes no room: lines end by their length
    };
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 random(seed);
        auto below = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        TextBox box;
        Show(box);
        Model model;
        QClipboard& clipboard = *QApplication::clipboard();
        for (int step = 0; step < 150; ++step) {
            const std::size_t anchor = SnapIn(model.bytes, below(model.bytes.size() + 1));
            const std::size_t cursor =
                below(3) ? anchor : SnapIn(model.bytes, below(model.bytes.size() + 1));
            box.SetSelection(anchor, cursor);
            const std::size_t from = std::min(anchor, cursor), to = std::max(anchor, cursor);
            Text after = model.bytes;
            const QString piece = kPieces[below(std::size(kPieces))];
            switch (below(7)) {
                case 0:  // typed
                    Type(box, QString::fromUtf8("ab早"));
                    after.replace(from, to - from, G("ab早"));
                    model.Commit(after);
                    break;
                case 1:  // pasted
                    clipboard.setText(piece);
                    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
                    after.replace(from, to - from, gb::fromUnicode(piece));
                    model.Commit(after);
                    break;
                case 2: {  // Backspace or Delete, a few times: one step
                    const bool back = below(2);
                    std::size_t at = cursor;
                    for (std::size_t n = below(4) + 1; n > 0; --n) {
                        QTest::keyClick(&box, back ? Qt::Key_Backspace : Qt::Key_Delete);
                        if (from != to) {
                            after.erase(from, to - from);
                            break;
                        }
                        const std::size_t a = back ? SnapIn(after, at == 0 ? 0 : at - 1) : at;
                        const std::size_t b = back ? at : NextIn(after, at);
                        after.erase(a, b - a);
                        at = a;
                    }
                    model.Commit(after);
                    break;
                }
                case 3:  // cut, with the clipboard checked
                    QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
                    if (from != to) {
                        EXPECT_EQ(
                            clipboard.text(),
                            gb::toUnicode(std::string_view(model.bytes).substr(from, to - from)));
                        after.erase(from, to - from);
                    }
                    model.Commit(after);
                    break;
                case 4:
                    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
                    model.Undo();
                    break;
                case 5:
                    QTest::keyClick(&box, Qt::Key_Y, Qt::ControlModifier);
                    model.Redo();
                    break;
                default: {  // selected back with Shift+Left, or as set, and copied
                    std::size_t start = from;
                    if (from == to) {
                        for (std::size_t n = below(6) + 1; n > 0; --n) {
                            QTest::keyClick(&box, Qt::Key_Left, Qt::ShiftModifier);
                            start = start == 0 ? 0 : SnapIn(model.bytes, start - 1);
                        }
                    }
                    clipboard.clear();
                    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
                    if (start != to) {
                        EXPECT_EQ(
                            clipboard.text(),
                            gb::toUnicode(std::string_view(model.bytes).substr(start, to - start)));
                    }
                }
            }
            ASSERT_EQ(box.Content(), model.bytes) << "seed " << seed << " step " << step;
            if (step % 2 == 0) {
                TextBox fresh;
                fresh.resize(box.size());
                fresh.show();
                fresh.SetContent(model.bytes);
                ASSERT_EQ(box.VisualLineCount(), fresh.VisualLineCount())
                    << "seed " << seed << " step " << step;
            }
        }
    }
}

// Keys over multi-byte characters and line breaks, with typing and deleting each one undo step.
TEST(TextBox, KeysStepOverWholeCharactersAndUndoInRuns) {
    TextBox box;
    Show(box);
    const Text start = G("早安\r\n\U00020000z");
    box.SetContent(start);
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    for (int i = 0; i < 4; ++i) QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.Content(), G("早"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.Content(), start);

    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("早安"));
    QTest::keyClick(&box, Qt::Key_Delete);
    Type(box, QStringLiteral("ab"));
    QTest::keyClick(&box, Qt::Key_Return);
    Type(box, QStringLiteral("c"));
    EXPECT_EQ(box.Content(), G("ab\r\nc\r\n\U00020000z"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);  // "c"
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);  // the line break
    EXPECT_EQ(box.Content(), G("ab\r\n\U00020000z"));
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);  // "ab"
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);  // the deleted selection
    EXPECT_EQ(box.Content(), start);

    // An input method's text goes in as typed.
    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier);
    QInputMethodEvent compose(QString::fromUtf8("zhong"), {});
    QApplication::sendEvent(&box, &compose);
    EXPECT_EQ(box.Content(), start);
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("中文"));
    QApplication::sendEvent(&box, &commit);
    EXPECT_EQ(box.Content(), G("中文") + start);
}

// Setting the content from the program is one step that undo takes back, and redo brings again.
TEST(TextBox, SetContentIsOneUndoStep) {
    TextBox box;
    Show(box);
    box.SetContent("<a/>");
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    Type(box, QStringLiteral("x"));
    const std::uint64_t before = box.Revision();
    box.SetContent("<b/>");
    EXPECT_NE(box.Revision(), before);
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.Content(), "<a/>x");
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box.Content(), "<a/>");
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);  // set into an empty box: stays
    EXPECT_EQ(box.Content(), "<a/>");
    QTest::keyClick(&box, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(box.Content(), "<b/>");
}

// Pixels of colour: the text is black on white, so only a mark or a selection makes them.
int ColouredPixels(TextBox& box) {
    const QImage shot = box.viewport()->grab().toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            count += c.red() != c.green() || c.green() != c.blue();
        }
    return count;
}

TEST(TextBox, MarkShowsWithoutFocusUntilTheNextEdit) {
    QWidget window;
    window.resize(500, 300);
    auto* box = new TextBox(&window);
    box->setGeometry(0, 0, 400, 280);
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    other->setFocus();
    Text text;
    for (int i = 0; i < 3000; ++i) text += "<line n=\"" + std::to_string(i) + "\"/>\r\n";
    box->SetContent(text);
    box->SetSelection(0, 200);  // hidden: the box has no focus
    EXPECT_EQ(ColouredPixels(*box), 0);

    const std::size_t from = text.find("<line n=\"2500\"");
    box->MarkBytes(from + 1, from + 5);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(box->CursorPosition(), from + 1);
    EXPECT_TRUE(box->viewport()->rect().contains(box->cursorRect().center()));
    EXPECT_GT(ColouredPixels(*box), 0);
    box->ClearMark();
    EXPECT_EQ(ColouredPixels(*box), 0);

    box->MarkBytes(from, from + 5);
    const std::uint64_t revision = box->Revision();
    int edits = 0;
    QObject::connect(box, &TextBox::edited, [&edits] { ++edits; });
    box->setFocus();
    Type(*box, QStringLiteral("y"));
    other->setFocus();
    EXPECT_EQ(edits, 1);
    EXPECT_NE(box->Revision(), revision);
    EXPECT_EQ(ColouredPixels(*box), 0);
    EXPECT_EQ(box->Content().substr(from, 6), "y<line");
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
