// quillon-ui-bench: what pressing 解析 costs in the real window (reading the source box, loading,
// filling the tree view, showing it) next to XmlTree::Load of the same bytes, on the generated
// ~30 MB record document and on a root with 100,000 children. Runs on the offscreen platform.
//
//   quillon-ui-bench [--scale=F] [benchmark flags]   F shrinks or grows both inputs
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTextCursor>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "inputs.h"
#include "report.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"
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
        QTextCursor cursor(window.SourceBox().document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral(" "));
        state.ResumeTiming();
        window.ParseButton().click();
        QApplication::processEvents();
    }
    if (window.Tree().Model().Count() == 0) state.SkipWithError("the parse failed");
}

// Only the box's part of the above: handing out its text as GBK after an edit at the end, or at
// the start (where every byte after the edit moves).
void ReadBoxAfterEdit(benchmark::State& state, const Case& input, QTextCursor::MoveOperation at) {
    ui::TextBox& box = input.window->SourceBox();
    for (auto _ : state) {
        state.PauseTiming();
        QTextCursor cursor(box.document());
        cursor.movePosition(at);
        cursor.insertText(QStringLiteral(" "));
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

}  // namespace
}  // namespace quillon::bench

int main(int argc, char* argv[]) {
    using namespace quillon::bench;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const double scale = readScale(argc, argv);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);

    std::vector<Case> cases;
    for (Input input : {generateRecords(30 * scale),
                        generateWide(std::max(100, static_cast<int>(100000 * scale)))}) {
        auto window = std::make_unique<quillon::ui::MainWindow>();
        window->show();
        window->SourceBox().SetContent(input.bytes);
        QApplication::processEvents();
        quillon::Text bytes = window->SourceBox().Content();
        cases.push_back({input.name, std::move(window), std::move(bytes)});
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
                                               ReadBoxAfterEdit, std::cref(input),
                                               QTextCursor::End));
        configure(benchmark::RegisterBenchmark(("ReadBoxAfterEditAtStart/" + input.name).c_str(),
                                               ReadBoxAfterEdit, std::cref(input),
                                               QTextCursor::Start));
        // Setting 30 MB of text takes seconds outside the timed part, so a time-bound run of this
        // row would take many minutes: a few fixed iterations instead.
        benchmark::RegisterBenchmark(("ReadBoxAfterSetContent/" + input.name).c_str(),
                                     ReadBoxAfterSetContent, std::cref(input))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(smoke ? 2 : 5);
    }

    TreeBenchmarks tree(scale);
    tree.Register(smoke);

    std::map<std::string, double> seconds;
    CollectingReporter reporter(seconds, Clock::Real);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // ParseSource as a multiple of Load: with the box's text unchanged since it was last read,
    // and with it edited just before the press (of which reading the box is shown apart).
    std::printf("\n%-8s %5s %7s %8s %11s %6s %13s %6s %12s\n", "input", "MB", "items", "Load ms",
                "ParseSrc ms", "ratio", "after edit ms", "ratio", "box read ms");
    for (const Case& input : cases) {
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
    tree.PrintTable(seconds);
    benchmark::Shutdown();
    return 0;
}
