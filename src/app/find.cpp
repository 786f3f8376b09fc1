#include "app/find.h"

#include <vector>

namespace quillon::app {
namespace {

// Whether `needle` stands in `text` at `at`, a character start.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle) {
    if (text.size() - at < needle.size()) return false;
    for (std::size_t j = 0; j < needle.size(); ++j) {
        const char t = text[at + j];
        const char n = needle[j];
        if (isLeadByte(static_cast<unsigned char>(n))) {
            // A two-byte character compares whole; its second byte is no letter.
            if (t != n || j + 1 == needle.size() || text[at + j + 1] != needle[j + 1]) return false;
            ++j;
        } else if (isLeadByte(static_cast<unsigned char>(t)) || foldAscii(t) != foldAscii(n)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ContainsText(std::string_view text, std::string_view needle) {
    if (needle.empty()) return true;
    for (std::size_t at = 0; at + needle.size() <= text.size();
         at += isLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1) {
        if (MatchesAt(text, at, needle)) return true;
    }
    return false;
}

bool ElementContains(const xml::XmlTree& doc, xml::XmlTree::NodeId element,
                     std::string_view needle) {
    if (ContainsText(doc.NodeName(element), needle)) return true;
    for (std::size_t i = 0, count = doc.AttributeCount(element); i < count; ++i) {
        if (ContainsText(doc.AttributeName(element, i), needle) ||
            ContainsText(doc.AttributeValue(element, i), needle))
            return true;
    }
    return ContainsText(doc.NodeValue(element), needle);
}

int FindNextElement(const xml::XmlTree& doc, std::string_view needle, int after) {
    if (needle.empty() || !doc.IsLoaded()) return -1;
    // One pre-order walk: the first match after `after` ends it; the first match at or before
    // `after` is kept for the wrap.
    int wrapped = -1;
    int position = 0;
    std::vector<std::pair<xml::XmlTree::NodeId, std::size_t>> open;  // element, next child
    for (xml::XmlTree::NodeId element = doc.Root();;) {
        if ((position > after || wrapped < 0) && ElementContains(doc, element, needle)) {
            if (position > after) return position;
            wrapped = position;
        }
        ++position;
        if (doc.ChildCount(element) != 0) {
            open.push_back({element, 1});
            element = doc.Child(element, 0);
            continue;
        }
        while (!open.empty() && open.back().second == doc.ChildCount(open.back().first))
            open.pop_back();
        if (open.empty()) return wrapped;
        element = doc.Child(open.back().first, open.back().second++);
    }
}

}  // namespace quillon::app
