// quillon-ui-bench: what pressing 解析 costs in the real window (reading the source box, loading,
// filling the tree view, showing it) next to XmlTree::Load of the same bytes, on the generated
// ~30 MB record document and on a root with 100,000 children; what the source box costs
// (setting it, pasting, one keystroke) on the record document, the same without line breaks and
// a 5 MB one-line document, with the window's resident memory after 解析; and 打开… of the record
// document next to pasting it (open_bench.cpp). Runs on the offscreen platform.
//
//   quillon-ui-bench [--scale=F] [benchmark flags]   F shrinks or grows both inputs
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "inputs.h"
#include "open_bench.h"
#include "report.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"
#include "ui/text_convert.h"
#include "ui/tree_bench.h"
#include "ui/tree_view.h"

namespace quillon::bench {
namespace {

// One window per input, its source box holding the input; both benchmarks read the bytes the
// box hands out, so they load exactly the same text.
struct Case {
    std::string name;
    std::unique_ptr<ui::MainWindow> window;
    Text bytes;
};

void LoadOnly(benchmark::State& state, const Case& input) {
    for (auto _ : state) {
        xml::XmlTree tree;
        if (!tree.Load(ByteView(reinterpret_cast<const std::uint8_t*>(input.bytes.data()),
                                input.bytes.size()))) {
            state.SkipWithError("the input does not load");
            return;
        }
        benchmark::DoNotOptimize(tree);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.bytes.size()));
}

void PressParse(benchmark::State& state, const Case& input) {
    ui::MainWindow& window = *input.window;
    for (auto _ : state) {
        window.ParseButton().click();
        QApplication::processEvents();  // the view lays out what it shows
    }
    const int items = window.Tree().Model().Count();
    if (items == 0) state.SkipWithError("the parse failed");
    state.counters["items"] = items;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.bytes.size()));
}

// The same after an edit to the box before every press, as after typing or pasting: the box then
// converts its text anew instead of handing out the bytes it converted last time.
void PressParseAfterEdit(benchmark::State& state, const Case& input) {
    ui::MainWindow& window = *input.window;
    for (auto _ : state) {
        state.PauseTiming();
        ui::TextBox& box = window.SourceBox();
        box.SetSelection(box.Content().size(), box.Content().size());
        box.insertPlainText(QStringLiteral(" "));
        state.ResumeTiming();
        window.ParseButton().click();
        QApplication::processEvents();
    }
    if (window.Tree().Model().Count() == 0) state.SkipWithError("the parse failed");
}

// Only the box's part of the above: handing out its text as GBK after an edit at the end, or at
// the start (where every byte after the edit moves).
void ReadBoxAfterEdit(benchmark::State& state, const Case& input, bool atStart) {
    ui::TextBox& box = input.window->SourceBox();
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t at = atStart ? 0 : box.Content().size();
        box.SetSelection(at, at);
        box.insertPlainText(QStringLiteral(" "));
        state.ResumeTiming();
        benchmark::DoNotOptimize(box.Content());
    }
}

// Reading the box after the program set its whole text (as formatting or a rename does): the
// one case where everything is converted.
void ReadBoxAfterSetContent(benchmark::State& state, const Case& input) {
    ui::TextBox& box = input.window->SourceBox();
    for (auto _ : state) {
        state.PauseTiming();
        box.SetContent(input.bytes);
        state.ResumeTiming();
        benchmark::DoNotOptimize(box.Content());
    }
}

// The source box alone, on one input: a window whose box holds the input, and one whose box
// holds the input's first kilobyte, for the keystroke that must cost the same in both.
struct BoxCase {
    std::string name;
    Text bytes;
    Text variant;  // the same with one more byte, so that every set changes the text
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ui::MainWindow> small;
};

// As after 格式化 or a rename: the whole text set, then shown (which lays it out).
void SetBox(benchmark::State& state, const BoxCase& input) {
    ui::TextBox& box = input.window->SourceBox();
    bool flip = false;
    for (auto _ : state) {
        box.SetContent((flip = !flip) ? input.variant : input.bytes);
        QApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.bytes.size()));
}

// Ctrl+V of the whole input into an emptied box, then shown.
void PasteBox(benchmark::State& state, const BoxCase& input) {
    ui::TextBox& box = input.window->SourceBox();
    QApplication::clipboard()->setText(ui::ToQString(input.bytes));
    for (auto _ : state) {
        state.PauseTiming();
        box.SetContent({});
        QApplication::processEvents();
        state.ResumeTiming();
        box.paste();
        QApplication::processEvents();
    }
    if (box.Content().size() != input.bytes.size()) state.SkipWithError("the paste went wrong");
    box.SetContent(input.bytes);
    QApplication::processEvents();
}

// One typed character in the middle of the text, and the repaint that shows it.
void Keystroke(benchmark::State& state, ui::MainWindow& window) {
    ui::TextBox& box = window.SourceBox();
    const std::size_t middle = box.Content().size() / 2;
    box.SetSelection(middle, middle);
    QApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(&box, &press);
        QApplication::processEvents();
    }
}

// Keeps CPU seconds beside the real ones: on a shared machine the box's ratios are steadier in
// the time the window's own thread worked.
class BothClocks : public CollectingReporter {
  public:
    BothClocks(std::map<std::string, double>& real, std::map<std::string, double>& cpu)
        : CollectingReporter(real, Clock::Real), cpu_(cpu) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        CollectingReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            cpu_[run.run_name.function_name] =
                run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

  private:
    std::map<std::string, double>& cpu_;
};

// The source box as a multiple of Load of the same bytes; a keystroke against the same
// keystroke in the input's first kilobyte.
void PrintBoxTable(const char* clock, const std::vector<BoxCase>& boxes,
                   std::map<std::string, double>& seconds) {
    std::printf("\n%-8s %5s %8s %9s %6s %9s %6s %10s %10s %6s  (%s time)\n", "input", "MB",
                "Load ms", "set ms", "ratio", "paste ms", "ratio", "key us", "1KB key us", "ratio",
                clock);
    for (const BoxCase& box : boxes) {
        const double load = seconds["Load/" + box.name];
        const double set = seconds["SetBox/" + box.name];
        const double paste = seconds["PasteBox/" + box.name];
        const double key = seconds["Keystroke/" + box.name];
        const double small = seconds["Keystroke1KB/" + box.name];
        if (load <= 0 || set <= 0 || paste <= 0 || key <= 0 || small <= 0) continue;
        std::printf("%-8s %5.1f %8.1f %9.1f %5.1fx %9.1f %5.1fx %10.1f %10.1f %5.2fx\n",
                    box.name.c_str(), box.bytes.size() / 1048576.0, load * 1000, set * 1000,
                    set / load, paste * 1000, paste / load, key * 1e6, small * 1e6, key / small);
    }
}

// The process's resident memory in bytes.
double ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

// Every line break taken out, as a rename writes the document.
Text OneLine(const Text& bytes) {
    Text line;
    line.reserve(bytes.size());
    for (char c : bytes)
        if (c != '\r' && c != '\n') line += c;
    return line;
}

std::unique_ptr<ui::MainWindow> WindowWith(const Text& bytes) {
    auto window = std::make_unique<ui::MainWindow>();
    window->show();
    window->SourceBox().SetContent(bytes);
    QApplication::processEvents();
    return window;
}

}  // namespace
}  // namespace quillon::bench

int main(int argc, char* argv[]) {
    using namespace quillon::bench;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const double scale = readScale(argc, argv);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);

    // The window's memory after 解析 of the record document: the first window built, measured
    // from a baseline taken once the inputs exist and the heap gave back what generating them
    // freed.
    std::vector<Input> inputs;
    inputs.push_back(generateRecords(30 * scale));
    inputs.push_back(generateWide(std::max(100, static_cast<int>(100000 * scale))));
    malloc_trim(0);
    const double baseline = ResidentBytes();
    std::deque<Case> cases;  // grows while earlier entries are registered
    double afterSet = 0, afterParse = 0;
    for (const Input& input : inputs) {
        auto window = WindowWith(input.bytes);
        if (cases.empty()) {
            afterSet = ResidentBytes();
            window->ParseButton().click();
            QApplication::processEvents();
            afterParse = ResidentBytes();
        }
        quillon::Text bytes = window->SourceBox().Content();
        cases.push_back({input.name, std::move(window), std::move(bytes)});
    }
    inputs.clear();
    std::vector<BoxCase> boxes;
    const quillon::Text& records = cases.front().bytes;
    for (auto [name, bytes] : {std::pair<std::string, quillon::Text>{"records", records},
                               {"oneline", OneLine(records)},
                               {"line5mb", OneLine(generateRecords(5 * scale).bytes)}}) {
        BoxCase box{name, bytes, bytes + " ", WindowWith(bytes), WindowWith(bytes.substr(0, 1024))};
        boxes.push_back(std::move(box));
    }
    // A scaled-down run (the smoke test) only proves the program works: two iterations each.
    const bool smoke = scale < 1.0;
    auto configure = [smoke](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond);
        if (smoke)
            b->Iterations(2);
        else
            b->MinTime(2.0);
    };
    for (const Case& input : cases) {
        configure(benchmark::RegisterBenchmark(("Load/" + input.name).c_str(), LoadOnly,
                                               std::cref(input)));
        configure(benchmark::RegisterBenchmark(("ParseSource/" + input.name).c_str(), PressParse,
                                               std::cref(input)));
        configure(benchmark::RegisterBenchmark(("ParseSourceAfterEdit/" + input.name).c_str(),
                                               PressParseAfterEdit, std::cref(input)));
        configure(benchmark::RegisterBenchmark(("ReadBoxAfterEdit/" + input.name).c_str(),
                                               ReadBoxAfterEdit, std::cref(input), false));
        configure(benchmark::RegisterBenchmark(("ReadBoxAfterEditAtStart/" + input.name).c_str(),
                                               ReadBoxAfterEdit, std::cref(input), true));
        // Setting 30 MB of text takes seconds outside the timed part, so a time-bound run of this
        // row would take many minutes: a few fixed iterations instead.
        benchmark::RegisterBenchmark(("ReadBoxAfterSetContent/" + input.name).c_str(),
                                     ReadBoxAfterSetContent, std::cref(input))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(smoke ? 2 : 5);
    }

    for (const BoxCase& box : boxes) {
        if (box.name != "records") {
            const Case& load = cases.emplace_back(Case{box.name, nullptr, box.bytes});
            configure(benchmark::RegisterBenchmark(("Load/" + box.name).c_str(), LoadOnly,
                                                   std::cref(load)));
        }
        // A few fixed iterations: each one lays out the whole text.
        using Run = void (*)(benchmark::State&, const BoxCase&);
        for (auto [row, run] :
             {std::pair<std::string, Run>{"SetBox/", SetBox}, {"PasteBox/", PasteBox}}) {
            benchmark::RegisterBenchmark((row + box.name).c_str(), run, std::cref(box))
                ->Unit(benchmark::kMillisecond)
                ->Iterations(smoke ? 2 : 5);
        }
        configure(benchmark::RegisterBenchmark(("Keystroke/" + box.name).c_str(), Keystroke,
                                               std::ref(*box.window)));
        configure(benchmark::RegisterBenchmark(("Keystroke1KB/" + box.name).c_str(), Keystroke,
                                               std::ref(*box.small)));
    }

    OpenCase opening(Input{cases.front().name, records});
    opening.Register(smoke ? 1 : 3);
    TreeBenchmarks tree(scale);
    tree.Register(smoke);

    std::map<std::string, double> seconds;
    std::map<std::string, double> cpuSeconds;
    BothClocks reporter(seconds, cpuSeconds);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // ParseSource as a multiple of Load: with the box's text unchanged since it was last read,
    // and with it edited just before the press (of which reading the box is shown apart).
    std::printf("\n%-8s %5s %7s %8s %11s %6s %13s %6s %12s\n", "input", "MB", "items", "Load ms",
                "ParseSrc ms", "ratio", "after edit ms", "ratio", "box read ms");
    for (const Case& input : cases) {
        if (!input.window) continue;
        const double load = seconds["Load/" + input.name];
        const double parse = seconds["ParseSource/" + input.name];
        const double edited = seconds["ParseSourceAfterEdit/" + input.name];
        const double read = seconds["ReadBoxAfterEdit/" + input.name];
        if (load <= 0 || parse <= 0 || edited <= 0) continue;
        std::printf("%-8s %5.1f %7d %8.1f %11.1f %5.2fx %13.1f %5.2fx %12.1f\n", input.name.c_str(),
                    input.bytes.size() / 1048576.0, input.window->Tree().Model().Count(),
                    load * 1000, parse * 1000, parse / load, edited * 1000, edited / load,
                    read * 1000);
    }

    PrintBoxTable("CPU", boxes, cpuSeconds);
    PrintBoxTable("real", boxes, seconds);
    const double document = static_cast<double>(records.size());
    std::printf(
        "\nresident after 解析 of records (%.1f MB): %.0f MB in all, %.1fx the document; "
        "the window %.0f MB, %.1fx\n",
        document / 1048576.0, afterParse / 1048576.0, afterParse / document,
        (afterParse - baseline) / 1048576.0, (afterParse - baseline) / document);
    std::printf("the window with the text set, before 解析: %.0f MB, %.1fx\n",
                (afterSet - baseline) / 1048576.0, (afterSet - baseline) / document);
    opening.PrintRatios(seconds, seconds["Load/" + cases.front().name]);
    tree.PrintTable(seconds);
    benchmark::Shutdown();
    return 0;
}
