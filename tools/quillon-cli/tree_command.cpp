#include <charconv>
#include <vector>

#include "cli_io.h"
#include "commands.h"

namespace quillon::cli {
namespace {

// One open level of the pre-order walk: the children of the element at `path` (its first
// `pathLength` bytes) and how many of them have been listed.
struct Level {
    TextArray names;
    std::size_t next = 0;
    std::size_t pathLength = 0;
};

class TreePrinter {
  public:
    TreePrinter(const xml::XmlTree& tree, Mode mode, std::FILE* out)
        : tree_(tree), mode_(mode), out_(out) {}

    // Lists every element the way the window fills its tree: positional paths, children through
    // GetChildNames. An explicit stack of levels replaces recursion, so depth costs heap, not
    // stack.
    bool run() {
        Text root;
        if (!tree_.GetRootName(root)) return out_.finish();
        Text path = root;
        printElement(path, root);
        std::vector<Level> levels;
        openLevel(levels, path);
        while (!levels.empty()) {
            Level& level = levels.back();
            if (level.next == level.names.size()) {
                levels.pop_back();
                continue;
            }
            std::size_t position = ++level.next;
            path.resize(level.pathLength);
            appendPosition(path, position);
            printElement(path, level.names[position - 1]);
            openLevel(levels, path);  // may move `level`; it is not used again
        }
        return out_.finish();
    }

  private:
    void openLevel(std::vector<Level>& levels, const Text& path) {
        TextArray names = tree_.GetChildNames(path);
        if (!names.empty()) levels.push_back({std::move(names), 0, path.size()});
    }

    static void appendPosition(Text& path, std::size_t position) {
        path += "/@";
        appendNumber(path, position);
    }
    static void appendNumber(Text& text, std::size_t number) {
        char digits[24];
        auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        text.append(digits, end);
    }

    void printElement(const Text& path, const Text& name) {
        Text value;
        bool found = tree_.GetNodeValue(path, value);
        std::string& line = out_.pending();
        field(line, path);
        line += '\t';
        field(line, name);
        line += '\t';
        if (found) {
            field(line, value);
        } else {
            line += "NULL";
        }
        line += '\n';
        const TextArray attributes = tree_.GetAttributeNames(path);
        for (std::size_t i = 0; i < attributes.size(); ++i) {
            line += '\t';
            field(line, attributes[i]);
            line += '\t';
            // By position, as the window reads them: a lookup by name walks every attribute
            // before it, and a name read back (a stored "&#65;") need not select itself again.
            Text selector = "@";
            appendNumber(selector, i + 1);
            field(line, tree_.GetAttributeValue(path, selector));
            line += '\n';
            out_.flushIfLarge();
        }
        out_.flushIfLarge();
    }

    void field(std::string& line, std::string_view text) const {
        if (mode_ == Mode::Raw) {
            appendField(line, text);
        } else {
            appendField(line, toOutput(text, mode_));
        }
    }

    const xml::XmlTree& tree_;
    Mode mode_;
    OutputBuffer out_;
};

}  // namespace

void appendField(std::string& line, std::string_view field) {
    for (char c : field) {
        switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            default:
                line += c;
        }
    }
}

bool printTree(const xml::XmlTree& tree, Mode mode, std::FILE* out) {
    return TreePrinter(tree, mode, out).run();
}

int runTree(const Invocation& call, const Streams& io) {
    xml::XmlTree tree;
    if (!loadInput(tree, call.input, modeOf(call), io)) return kExitFailure;
    return printTree(tree, modeOf(call), io.out) ? kExitOk : reportWriteFailure(io);
}

}  // namespace quillon::cli
