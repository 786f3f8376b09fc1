#include "xml/writer.h"

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

namespace quillon::xml {

namespace {

// Where the writer's bytes go: first a counter (so the output is allocated once, or refused
// when it cannot be), then the byte set itself.
struct Counter {
    std::size_t size = 0;
    void put(std::string_view s) { add(s.size()); }
    void putRepeated(std::string_view s, std::size_t times) {
        if (times != 0 && s.size() > SIZE_MAX / times) {
            size = SIZE_MAX;
        } else {
            add(s.size() * times);
        }
    }
    void add(std::size_t n) { size = n > SIZE_MAX - size ? SIZE_MAX : size + n; }  // saturates
};

struct Appender {
    ByteSet& out;
    void put(std::string_view s) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
        out.insert(out.end(), p, p + s.size());
    }
    void putRepeated(std::string_view s, std::size_t times) {
        for (std::size_t i = 0; i < times; ++i) put(s);
    }
};

template <typename Sink>
class Writer {
  public:
    Writer(const XmlDocument& doc, std::string_view lineBreak, std::string_view indent, Sink& sink)
        : doc_(doc), lineBreak_(lineBreak), indent_(indent), sink_(sink) {}

    void put(std::string_view s) { sink_.put(s); }
    void newLine(std::size_t depth) {
        put(lineBreak_);
        if (!indent_.empty()) sink_.putRepeated(indent_, depth);
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
        if (n.selfClosing() || (n.value.length == 0 && doc_.childCount(node) == 0)) {
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

    // Pre-order walk with an explicit stack, so the depth of the tree costs heap, not stack.
    void writeTree(std::uint32_t root) {
        struct Frame {
            std::uint32_t node;
            std::uint32_t nextChild;
        };
        std::vector<Frame> open;
        if (writeOpen(root, 0)) open.push_back({root, 0});
        while (!open.empty()) {
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

  private:
    const XmlDocument& doc_;
    std::string_view lineBreak_;
    std::string_view indent_;
    Sink& sink_;
};

template <typename Sink>
void Write(const XmlDocument& doc, std::string_view encoding, std::string_view lineBreak,
           std::string_view indent, Sink& sink) {
    Writer<Sink> w(doc, lineBreak, indent, sink);
    w.put("<?xml version=\"1.0\" encoding=\"");
    w.put(encoding.empty() ? std::string_view("gb18030") : encoding);
    w.put("\"?>");
    w.writeTree(doc.root);
}

}  // namespace

bool WriteDocument(const XmlDocument& doc, std::string_view encoding, std::string_view lineBreak,
                   std::string_view indent, ByteSet& out) {
    Counter counter;
    Write(doc, encoding, lineBreak, indent, counter);
    try {
        if (counter.size > out.max_size()) return false;
        out.reserve(out.size() + counter.size);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    Appender appender{out};
    Write(doc, encoding, lineBreak, indent, appender);
    return true;
}

}  // namespace quillon::xml
