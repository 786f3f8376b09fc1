#include "open_bench.h"

#include <QApplication>
#include <QClipboard>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "runtime/codepage.h"
#include "ui/edit_boxes.h"
#include "ui/text_convert.h"

namespace quillon::bench {
namespace {

void Write(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The same document declared and written as UTF-8.
std::string AsUtf8(const std::string& gb18030) {
    std::string utf8 = codepage::gbkToUtf8(gb18030);
    const std::size_t at = utf8.find("encoding=\"GB18030\"");
    if (at != std::string::npos) utf8.replace(at, 18, "encoding=\"UTF-8\"");
    return utf8;
}

void OpenFile(benchmark::State& state, ui::MainWindow& window, const std::filesystem::path& file) {
    for (auto _ : state) {
        state.PauseTiming();
        window.SourceBox().SetContent({});
        QApplication::processEvents();
        state.ResumeTiming();
        if (!window.OpenFile(file)) state.SkipWithError("the file does not open");
        QApplication::processEvents();  // the box lays out what it shows
    }
}

// A paste with the text on the clipboard, into an empty box.
void Paste(benchmark::State& state, ui::MainWindow& window, const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    QApplication::clipboard()->setText(QString::fromUtf8(bytes));
    for (auto _ : state) {
        state.PauseTiming();
        window.SourceBox().SetContent({});
        QApplication::processEvents();
        state.ResumeTiming();
        window.SourceBox().paste();
        QApplication::processEvents();
    }
}

}  // namespace

OpenCase::OpenCase(const Input& input) : name_(input.name), size_(input.bytes.size()) {
    std::string folder = (std::filesystem::temp_directory_path() / "quillon-open-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    folder_ = folder;
    gbFile_ = folder_ / "gb18030.xml";
    utf8File_ = folder_ / "utf-8.xml";
    Write(gbFile_, input.bytes);
    Write(utf8File_, AsUtf8(input.bytes));
    window_ = std::make_unique<ui::MainWindow>();
    window_->show();
}

OpenCase::~OpenCase() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void OpenCase::Register(int iterations) {
    auto add = [iterations](const std::string& name, auto run, ui::MainWindow& window,
                            const std::filesystem::path& file) {
        benchmark::RegisterBenchmark(name.c_str(), run, std::ref(window), file)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->UseRealTime();
    };
    add("Open/" + name_ + "/gb18030", OpenFile, *window_, gbFile_);
    add("Open/" + name_ + "/utf-8", OpenFile, *window_, utf8File_);
    add("Paste/" + name_, Paste, *window_, utf8File_);
}

void OpenCase::PrintRatios(const std::map<std::string, double>& seconds, double loadSeconds) const {
    std::printf("\n%-24s %5s %10s %9s\n", "opening, pasting", "MB", "ms", "x Load");
    for (const std::string& row :
         {"Open/" + name_ + "/gb18030", "Open/" + name_ + "/utf-8", "Paste/" + name_}) {
        const auto found = seconds.find(row);
        if (found == seconds.end() || loadSeconds <= 0) continue;
        std::printf("%-24s %5.1f %10.1f %8.2fx\n", row.c_str(), size_ / 1048576.0,
                    found->second * 1000, found->second / loadSeconds);
    }
}

}  // namespace quillon::bench
