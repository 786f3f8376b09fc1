#include "xml/attributes.h"

#include <string>
#include <unordered_set>

#include "runtime/text.h"
#include "xml/grammar.h"

namespace quillon::xml {

void Piece::add(std::string_view text, std::size_t from, std::size_t to) {
    if (from == to) return;
    if (owned) {
        bytes.append(text.substr(from, to - from));
    } else if (length == 0) {
        begin = from;
        length = to - from;
    } else if (begin + length == from) {
        length += to - from;
    } else {
        bytes.assign(text.substr(begin, length));
        bytes.append(text.substr(from, to - from));
        owned = true;
    }
}

namespace {

enum class Stop { Running, AtEnd, Bad, Valued, Bare };

struct Scan {
    Piece current;
    Piece name;
    Piece value;
    bool readingName = true;
    bool afterEquals = false;
    bool inQuotes = false;
    Stop stop = Stop::Running;
};

// One run over `text` from `i`: stops at the end, at a malformed character, after a complete
// value, or at a bare name; `i` is left on the character at which the run stopped.
void RunOnce(std::string_view text, std::size_t& i, Scan& s) {
    const std::size_t n = text.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (s.inQuotes ? c != '"' : !Is(c, kAttributeMark)) {
            // A run of characters for C: up to a double quote inside quotes, else up to '=', a
            // double quote or a tag space. A two-byte character is taken whole, whatever its
            // second byte; one cut off by the end contributes its first byte.
            const std::size_t from = i;
            while (i < n) {
                const unsigned char x = static_cast<unsigned char>(text[i]);
                if (Is(x, kLead)) {
                    i += 2;
                } else if (s.inQuotes ? x == '"' : Is(x, kAttributeMark)) {
                    break;
                } else {
                    ++i;
                }
            }
            i = std::min(i, n);
            s.current.add(text, from, i);
        } else if (c == '=') {
            if (!s.readingName || s.current.empty()) {
                s.stop = Stop::Bad;
                return;
            }
            s.name = std::move(s.current);
            s.current = Piece{};
            s.readingName = false;
            s.afterEquals = true;
            s.inQuotes = false;
            ++i;
        } else if (Is(c, kTagSpace)) {
            if (s.readingName) {
                std::size_t j = i;
                while (j < n && Is(static_cast<unsigned char>(text[j]), kTagSpace)) ++j;
                if (j < n && text[j] == '=') {
                    i = j;
                } else if (!s.current.empty()) {
                    s.stop = Stop::Bare;
                    return;
                } else {
                    ++i;
                }
            } else if (s.afterEquals && !s.current.empty()) {
                s.value = s.current;
                s.stop = Stop::Valued;
                return;
            } else {
                ++i;
            }
        } else if (c == '"') {
            if (s.readingName) {
                s.stop = Stop::Bad;
                return;
            }
            if (s.afterEquals && s.inQuotes) {
                s.value = s.current;
                s.stop = Stop::Valued;
                return;
            }
            s.inQuotes = true;
            ++i;
        }
    }
    s.stop = Stop::AtEnd;
}

class NameSet {
  public:
    // False when `name` was already added.
    bool insert(std::vector<AttributePieces>& list, std::size_t first, std::string_view text) {
        const std::string_view name = list.back().name.view(text);
        if (list.size() - first <= kLinear) {
            for (std::size_t k = first; k + 1 < list.size(); ++k) {
                if (list[k].name.view(text) == name) return false;
            }
            if (list.size() - first == kLinear) {
                for (std::size_t k = first; k < list.size(); ++k)
                    seen_.emplace(list[k].name.view(text));
            }
            return true;
        }
        return seen_.emplace(name).second;
    }

  private:
    static constexpr std::size_t kLinear = kLinearAttributes;
    std::unordered_set<std::string> seen_;
};

}  // namespace

bool ParseAttributes(std::string_view text, std::vector<AttributePieces>& out) {
    const std::size_t first = out.size();
    NameSet names;
    std::size_t start = 0;
    while (start <= text.size()) {
        Scan s;
        std::size_t i = start;
        RunOnce(text, i, s);
        AttributePieces attribute;
        if (s.readingName && !s.current.empty()) {
            attribute.name = std::move(s.current);
            attribute.bare = true;
        } else if (s.afterEquals && !s.current.empty()) {
            attribute.name = std::move(s.name);
            attribute.value = std::move(s.current);
        } else if (s.stop == Stop::Valued) {
            attribute.name = std::move(s.name);
            attribute.value = std::move(s.value);
        } else {
            return s.stop != Stop::Bad;
        }
        out.push_back(std::move(attribute));
        if (!names.insert(out, first, text)) return false;
        start = i + 1;
    }
    return true;
}

}  // namespace quillon::xml
