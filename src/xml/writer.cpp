#include "xml/writer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace quillon::xml {

namespace {

// Adds up what would be written, so that ToBytes can allocate its result once or refuse it.
class Counter {
  public:
    void put(std::string_view s) { add(s.size()); }
    void putRepeated(std::string_view s, std::size_t times) {
        if (times != 0 && s.size() > SIZE_MAX / times) {
            size_ = SIZE_MAX;
        } else {
            add(s.size() * times);
        }
    }
    bool stopped() const { return false; }
    std::size_t size() const { return size_; }

  private:
    void add(std::size_t n) { size_ = n > SIZE_MAX - size_ ? SIZE_MAX : size_ + n; }  // saturates
    std::size_t size_ = 0;
};

// Collects the output in one buffer and hands it to the sink each time the buffer is full.
class Buffered {
  public:
    explicit Buffered(WriteSink& sink)
        : sink_(sink),
          capacity_(std::max<std::size_t>(1, sink.pieceSize())),
          buffer_(new char[capacity_]) {}

    void put(std::string_view s) {
        if (s.size() <= capacity_ - used_) [[likely]] {
            std::copy_n(s.data(), s.size(), buffer_.get() + used_);
            used_ += s.size();
        } else {
            putAcross(s);
        }
    }
    // Writes `s` `times` times, a block of repeats at a time.
    void putRepeated(std::string_view s, std::size_t times) {
        if (s.empty() || times == 0) return;
        if (s.data() != unit_.data() || s.size() != unit_.size()) {
            unit_ = s;
            repeated_.clear();
            do repeated_ += s;
            while (repeated_.size() < 4096);
        }
        const std::size_t perBlock = repeated_.size() / s.size();
        for (; times >= perBlock && !stopped_; times -= perBlock) put(repeated_);
        put(std::string_view(repeated_).substr(0, times * s.size()));
    }
    // Hands over what is left; false when the sink refused any piece.
    bool finish() {
        flush();
        return !stopped_;
    }
    bool stopped() const { return stopped_; }

  private:
    [[gnu::noinline]] void putAcross(std::string_view s) {
        while (!s.empty() && !stopped_) {
            const std::size_t n = std::min(s.size(), capacity_ - used_);
            std::copy_n(s.data(), n, buffer_.get() + used_);
            used_ += n;
            s.remove_prefix(n);
            if (used_ == capacity_) flush();
        }
    }
    void flush() {
        if (used_ != 0 && !stopped_ && !sink_.write({buffer_.get(), used_})) stopped_ = true;
        used_ = 0;
    }

    WriteSink& sink_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::string_view unit_;
    std::string repeated_;  // unit_ repeated to a few KiB
    bool stopped_ = false;
};

template <typename Out>
class Writer {
  public:
    Writer(const XmlDocument& doc, const Layout& layout, Out& out)
        : doc_(doc), layout_(layout), out_(out) {}

    void writeDocument() {
        put("<?xml version=\"1.0\" encoding=\"");
        put(layout_.encoding.empty() ? std::string_view("gb18030") : layout_.encoding);
        put("\"?>");
        writeTree(doc_.root);
    }

  private:
    void put(std::string_view s) { out_.put(s); }
    void newLine(std::size_t depth) {
        put(layout_.lineBreak);
        out_.putRepeated(layout_.indent, depth);
    }

    // Writes the start tag (and the value); false when the element closed itself with "/>".
    bool writeOpen(std::uint32_t node, std::size_t depth) {
        const XmlNode& n = doc_.nodes[node];
        newLine(depth);
        put("<");
        put(doc_.name(n));
        for (std::uint32_t i = 0; i < n.attributeCount; ++i) {
            const XmlAttribute& a = doc_.attribute(n, i);
            put(" ");
            put(doc_.text(a.name));
            put("=\"");
            put(doc_.text(a.value));
            put("\"");
        }
        if (n.selfClosing() || (n.value.length == 0 && n.childCount == 0)) {
            put("/>");
            return false;
        }
        put(">");
        if (n.cdata()) put("<![CDATA[");
        put(doc_.text(n.value));
        if (n.cdata()) put("]]>");
        return true;
    }
    void writeClose(std::uint32_t node, std::size_t depth) {
        if (doc_.childCount(node) != 0) newLine(depth);
        put("</");
        put(doc_.name(node));
        put(">");
    }

    // Pre-order walk with an explicit stack, so the depth of the tree costs heap, not stack. It
    // ends early once the output stopped taking bytes.
    void writeTree(std::uint32_t root) {
        struct Frame {
            std::uint32_t node;
            std::uint32_t nextChild;
        };
        std::vector<Frame> open;
        if (writeOpen(root, 0)) open.push_back({root, 0});
        while (!open.empty() && !out_.stopped()) {
            Frame& top = open.back();
            if (top.nextChild < doc_.childCount(top.node)) {
                const std::uint32_t child = doc_.child(top.node, top.nextChild++);
                if (writeOpen(child, open.size())) open.push_back({child, 0});
                continue;
            }
            writeClose(top.node, open.size() - 1);
            open.pop_back();
        }
    }

    const XmlDocument& doc_;
    const Layout& layout_;
    Out& out_;
};

}  // namespace

std::size_t WrittenSize(const XmlDocument& doc, const Layout& layout) {
    Counter counter;
    Writer<Counter>(doc, layout, counter).writeDocument();
    return counter.size();
}

bool WriteDocument(const XmlDocument& doc, const Layout& layout, WriteSink& sink) {
    try {
        Buffered out(sink);
        Writer<Buffered>(doc, layout, out).writeDocument();
        return out.finish();
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace quillon::xml
