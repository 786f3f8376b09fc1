#pragma once
// A plain, step-by-step model of the loader, the commands and the writer, kept as simple as
// possible so that the fast library can be checked against it on generated inputs. It recurses
// and copies freely: use it on small documents only.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/text.h"

namespace quillon::xml::reference {

struct Node {
    std::string name, value;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<int> children;
    bool selfClosing = false, cdata = false;
};

class Tree {
  public:
    bool Load(std::string_view bytes, bool fromFile = false);
    bool GetRootName(Text& name) const;
    TextArray GetChildNames(std::string_view path) const;
    bool GetNodeValue(std::string_view path, Text& value) const;
    TextArray GetAttributeNames(std::string_view path) const;
    Text GetAttributeValue(std::string_view path, std::string_view attribute) const;
    std::string Write(std::string_view lineBreak, std::string_view indent) const;

  private:
    int find(std::string_view path) const;
    std::vector<Node> nodes_;
    int root_ = -1;
};

std::string StripComments(std::string_view in, char filler);

enum Result { kToken, kNone, kFail };
Result NextToken(const std::string& in, std::size_t& pos, std::string& token);
bool ParseElement(const std::string& token, Node& node);

}  // namespace quillon::xml::reference
