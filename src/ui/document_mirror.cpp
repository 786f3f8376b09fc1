#include "ui/document_mirror.h"

#include <QTextBlock>
#include <algorithm>

#include "runtime/codepage.h"

namespace quillon::ui {
namespace {

constexpr char16_t kBlockSeparator = u'\u2029';
constexpr std::string_view kLineBreak = "\r\n";

std::u16string_view Units(QStringView text) {
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

}  // namespace

DocumentMirror::DocumentMirror(const QTextDocument& document) : document_(document) {}

// Only block numbers are kept: positions move with every later change, block numbers counted
// from either end of the document do not move for the blocks outside a change.
void DocumentMirror::Changed(int position, int added) {
    const long long last = document_.characterCount() - 1;
    auto blockAt = [&](long long at) {
        return document_.findBlock(static_cast<int>(std::clamp(at, 0LL, last))).blockNumber();
    };
    const int first = blockAt(position);
    // The end of the change may be the start of the next block; counting that block as changed
    // too costs one block and covers a separator inserted or removed at the end.
    const int end = blockAt(static_cast<long long>(position) + std::max(added, 0));
    firstChanged_ = std::min(firstChanged_, first);
    unchangedTail_ = std::min(unchangedTail_, document_.blockCount() - 1 - end);
}

const Text& DocumentMirror::Bytes() {
    if (firstChanged_ != kUnchanged || unchangedTail_ != kUnchanged) Refresh();
    return bytes_;
}

// At least one block on each side is taken as changed, so the old and the new text each have a
// non-empty run to swap. Should the splice not add up to the document's length (a change that
// was never reported), everything is converted again rather than a stale text handed out.
void DocumentMirror::Refresh() {
    const int blocks = std::min(document_.blockCount(), static_cast<int>(lines_.size()));
    const int first = blocks > 0 ? std::min(firstChanged_, blocks - 1) : 0;
    const int tail = blocks > 0 ? std::min(unchangedTail_, blocks - 1 - first) : 0;
    if (!Splice(first, tail)) Splice(0, 0);
    firstChanged_ = unchangedTail_ = kUnchanged;
}

// Replaces the bytes of every block but the first `first` and the last `tail` with those of the
// document's blocks now in between.
bool DocumentMirror::Splice(int first, int tail) {
    const int count = document_.blockCount();
    auto sum = [](auto from, auto to) {
        Line total;
        for (; from != to; ++from) {
            total.bytes += from->bytes;
            total.units += from->units;
        }
        return total;
    };
    const Line before = sum(lines_.begin(), lines_.begin() + first);
    const Line after = sum(lines_.end() - tail, lines_.end());
    const std::size_t from = before.bytes + kLineBreak.size() * first;
    // The tail starts right after the line break that ends the changed run.
    const std::size_t to =
        tail == 0 ? bytes_.size() : bytes_.size() - after.bytes - kLineBreak.size() * (tail - 1);

    // A run that reaches the end of the document is written in place, into storage already there.
    Text middle;
    Text& out = tail == 0 ? bytes_ : middle;
    if (tail == 0) bytes_.resize(from);
    std::vector<Line> lines;
    lines.reserve(static_cast<std::size_t>(count - tail - first));
    QString storage;
    std::u16string_view text = BlocksText(first, count - tail, storage);
    std::size_t units = 0;
    for (int block = first; block < count - tail; ++block) {
        const std::size_t end = std::min(text.find(kBlockSeparator), text.size());
        const std::size_t size = out.size();
        codepage::appendGbk(text.substr(0, end), out);
        lines.push_back({out.size() - size, end});
        units += end;
        if (block + 1 < count) out += kLineBreak;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    const std::size_t separators = static_cast<std::size_t>(count) - 1;
    const bool whole = first == 0 && tail == 0;  // nothing better to fall back on
    if (before.units + units + after.units + separators !=
            static_cast<std::size_t>(document_.characterCount() - 1) &&
        !whole)
        return false;

    if (tail != 0) bytes_.replace(from, to - from, middle);
    lines_.erase(lines_.begin() + first, lines_.end() - tail);
    lines_.insert(lines_.begin() + first, lines.begin(), lines.end());
    return true;
}

// A few blocks are copied one by one; a large share of the document comes from one copy of its
// whole text, which is cheaper than looking up each block.
std::u16string_view DocumentMirror::BlocksText(int first, int end, QString& storage) const {
    const int count = end - first;
    if (count > document_.blockCount() / 8 + 16) {
        storage = document_.toRawText();
        const QTextBlock last = document_.findBlockByNumber(end - 1);
        const int to = std::min<int>(last.position() + last.length() - 1, storage.size());
        const int from = std::min(document_.findBlockByNumber(first).position(), to);
        return Units(storage).substr(from, to - from);
    }
    QTextBlock block = document_.findBlockByNumber(first);
    for (int i = 0; i < count; ++i, block = block.next()) {
        if (i > 0) storage += QChar(kBlockSeparator);
        storage += block.text();
    }
    return Units(storage);
}

}  // namespace quillon::ui
