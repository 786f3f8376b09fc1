#pragma once
// The tree's rows of quillon-ui-bench: 解析 right after an edit on the records document and on
// chains of 10,000 and 100,000 levels, a rename of one element, 格式化 and one find step on the
// records document, each next to XmlTree::Load of the same bytes in the same run.
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillon::bench {

class TreeBenchmarks {
  public:
    // Builds the inputs (scaled like the other rows) and a window for each.
    explicit TreeBenchmarks(double scale);
    ~TreeBenchmarks();
    TreeBenchmarks(const TreeBenchmarks&) = delete;
    TreeBenchmarks& operator=(const TreeBenchmarks&) = delete;

    // A smoke run only proves that every row works: one or two iterations each.
    void Register(bool smoke);
    // The rows as multiples of Load, from the seconds per iteration the run collected.
    void PrintTable(const std::map<std::string, double>& seconds) const;

    struct Case;

  private:
    std::vector<std::unique_ptr<Case>> cases_;
};

}  // namespace quillon::bench
