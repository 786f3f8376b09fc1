#include "xml/document.h"

#include <algorithm>
#include <cstring>

#include "runtime/text.h"

namespace quillon::xml {

void ByteStore::reserve(std::size_t capacity) {
    if (capacity <= capacity_) return;
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
}

void ByteStore::resize(std::size_t size) {
    reserve(size);
    size_ = size;
}

std::size_t ByteStore::append(std::string_view bytes) {
    const std::size_t at = size_;
    if (size_ + bytes.size() > capacity_) reserve(std::max(size_ + bytes.size(), capacity_ * 2));
    if (!bytes.empty()) std::memcpy(data_.get() + at, bytes.data(), bytes.size());
    size_ += bytes.size();
    return at;
}

void XmlDocument::rename(std::uint32_t node, Text name) {
    XmlNode& n = nodes[node];
    if (n.flags & XmlNode::kRenamed) {
        renamed[n.name.offset] = std::move(name);
        return;
    }
    const std::size_t room = renamed.size() * 2 + 1;  // nothing below throws once both have room
    if (renamed.size() == renamed.capacity()) renamed.reserve(room);
    if (renamedTagStarts.size() == renamedTagStarts.capacity()) renamedTagStarts.reserve(room);
    renamedTagStarts.push_back(static_cast<std::uint32_t>(tagStart(node)));
    n.name = Span{static_cast<std::uint32_t>(renamed.size()), 0};
    n.flags |= XmlNode::kRenamed;
    renamed.push_back(std::move(name));
}

std::size_t XmlDocument::tagStart(std::uint32_t node) const {
    const XmlNode& n = nodes[node];
    if (n.flags & XmlNode::kRenamed) return renamedTagStarts[n.name.offset];
    if (n.name.offset != 0 && n.name.offset < bytes.size()) return n.name.offset - 1;
    const auto found = std::lower_bound(tagStarts.begin(), tagStarts.end(), node,
                                        [](const std::pair<std::uint32_t, std::uint32_t>& e,
                                           std::uint32_t k) { return e.first < k; });
    return found != tagStarts.end() && found->first == node ? found->second : 0;
}

std::size_t XmlDocument::memoryUsage() const {
    std::size_t total = sizeof(*this) + bytes.capacity() + extra.capacity();
    total += nodes.memoryUsage() + attributes.memoryUsage() + children.memoryUsage();
    total += renamed.capacity() * sizeof(Text) + renamedTagStarts.capacity() * 4;
    total += tagStarts.capacity() * sizeof(tagStarts[0]) + comments.cuts.capacity() * 8;
    for (const Text& t : renamed) total += t.capacity() > 15 ? t.capacity() + 1 : 0;
    return total;
}

std::size_t ParsePosition(std::string_view segment) {
    if (segment.size() < 2 || segment[0] != '@') return 0;
    std::size_t value = 0;
    constexpr std::size_t kBeyondAnyIndex = std::size_t(1) << 40;  // saturate, never wrap
    for (char c : segment.substr(1)) {
        if (c < '0' || c > '9') return 0;
        if (value < kBeyondAnyIndex) value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

namespace {

std::uint32_t SelectChild(const XmlDocument& doc, std::uint32_t parent, std::string_view segment) {
    const std::uint32_t count = doc.childCount(parent);
    if (!segment.empty() && segment[0] == '@') {
        const std::size_t at = ParsePosition(segment);
        return (at >= 1 && at <= count) ? doc.child(parent, static_cast<std::uint32_t>(at - 1))
                                        : kNoNode;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        if (doc.name(doc.child(parent, i)) == segment) return doc.child(parent, i);
    }
    return kNoNode;
}

}  // namespace

std::uint32_t FindNode(const XmlDocument& doc, std::string_view path) {
    if (doc.root == kNoNode) return kNoNode;
    std::uint32_t current = kNoNode;
    bool first = true;
    std::size_t segmentStart = 0;
    std::size_t i = 0;
    while (true) {
        const bool atEnd = i >= path.size();
        if (!atEnd && path[i] != '/') {
            i += isLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
            continue;
        }
        const std::string_view segment =
            path.substr(segmentStart, std::min(i, path.size()) - segmentStart);
        if (first) {
            if (segment != "@1" && segment != doc.name(doc.root)) return kNoNode;
            current = doc.root;
            first = false;
        } else if (!(atEnd && segment.empty())) {
            current = SelectChild(doc, current, segment);
            if (current == kNoNode) return kNoNode;
        }
        if (atEnd) return current;
        segmentStart = ++i;
    }
}

}  // namespace quillon::xml
