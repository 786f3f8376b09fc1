#pragma once
// 打开… next to pasting the same text and to XmlTree::Load of the same bytes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "inputs.h"
#include "ui/main_window.h"

namespace quillon::bench {

// The input written as files in two encodings, in a folder that goes with it, and a window of
// its own that opens them.
class OpenCase {
  public:
    explicit OpenCase(const Input& input);
    ~OpenCase();
    OpenCase(const OpenCase&) = delete;
    OpenCase& operator=(const OpenCase&) = delete;

    // Open/<name>/gb18030, Open/<name>/utf-8 and Paste/<name>: a few fixed iterations each, as
    // setting 30 MB of text into the box takes seconds.
    void Register(int iterations);
    // Each row's seconds as a multiple of `loadSeconds`.
    void PrintRatios(const std::map<std::string, double>& seconds, double loadSeconds) const;

  private:
    std::string name_;
    std::size_t size_;
    std::filesystem::path folder_, gbFile_, utf8File_;
    std::unique_ptr<ui::MainWindow> window_;
};

}  // namespace quillon::bench
