#pragma once
// The format button's work (formatXml) next to `xmllint --format` on the same bytes. Both are
// timed by the wall clock per run, because xmllint runs as a child process.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "inputs.h"

namespace quillon::bench {

// An input as the source box gives it (CR LF line breaks), and the same bytes in a temporary
// file for xmllint; the file goes with the object.
struct FormatInput {
    std::string name;
    std::string text;
    std::filesystem::path path;
    ~FormatInput();
};

class FormatBench {
  public:
    // Registers "format/<input>/quillon" and "format/<input>/xmllint" for the records and wide
    // inputs. The object must outlive the benchmark run.
    void registerAll(const std::vector<Input>& inputs);
    // One line per input: both medians over the repetitions and their ratio (quillon / xmllint;
    // below 1 means faster).
    void printTable() const;

  private:
    std::vector<std::unique_ptr<FormatInput>> inputs_;
    std::map<std::string, std::vector<double>> seconds_;  // per run, one entry per repetition
};

}  // namespace quillon::bench
