#include "ui/tree_bench.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

#include "inputs.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"
#include "ui/text_convert.h"
#include "ui/tree_view.h"

namespace quillon::bench {

struct TreeBenchmarks::Case {
    std::string name;
    Text bytes;
    bool records;  // the document the rename and formatting rows run on
    ui::MainWindow window;
};

namespace {

using Case = TreeBenchmarks::Case;

ByteView BytesOf(const Text& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void LoadOnly(benchmark::State& state, const Case& input) {
    for (auto _ : state) {
        xml::XmlTree tree;
        if (!tree.Load(BytesOf(input.bytes))) {
            state.SkipWithError("the input does not load");
            return;
        }
        benchmark::DoNotOptimize(tree);
    }
}

// Sets the box's text untimed, so that the box hands its text out anew, as after typing.
void Edit(Case& input, int iteration) {
    input.window.SourceBox().SetContent(iteration % 2 ? input.bytes : input.bytes + " ");
    QApplication::processEvents();
}

// Parses the document afresh, untimed, for the rows that work on the tree it gives.
void ParseFresh(Case& input) {
    Edit(input, 1);
    input.window.ParseButton().click();
    QApplication::processEvents();
}

// Collapses the root untimed, so that the next step starts from the tree as 解析 leaves it.
void CollapseUntimed(benchmark::State& state, ui::TreeView& tree) {
    state.PauseTiming();
    tree.Collapse(0);
    QApplication::processEvents();
    state.ResumeTiming();
}

void ParseAfterEdit(benchmark::State& state, Case& input) {
    int iteration = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Edit(input, ++iteration);
        state.ResumeTiming();
        input.window.ParseButton().click();
        QApplication::processEvents();  // the view lays out what it shows
    }
    const int items = input.window.Tree().Model().Count();
    if (items <= 1 && input.bytes.size() > 1000) state.SkipWithError("the parse failed");
    state.counters["items"] = items;
}

// Commits a new label for the first child of the root, as the in-place editor does: the element
// is renamed and the whole source box rewritten.
void Rename(benchmark::State& state, Case& input) {
    ParseFresh(input);
    ui::TreeModel& model = input.window.Tree().Model();
    int iteration = 0;
    for (auto _ : state) {
        state.PauseTiming();
        model.Expand(0);  // the tree was filled again, its root collapsed
        state.ResumeTiming();
        const QString name = ++iteration % 2 ? QStringLiteral("renamed") : QStringLiteral("record");
        if (!model.setData(model.ModelIndex(1), name)) state.SkipWithError("the rename failed");
        QApplication::processEvents();
    }
}

void Format(benchmark::State& state, Case& input) {
    int iteration = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Edit(input, ++iteration);
        state.ResumeTiming();
        input.window.FormatButton().click();
        QApplication::processEvents();
    }
}

// One search step that finds nothing: the whole document is read once, every name, attribute
// and value decoded and compared.
void FindStep(benchmark::State& state, Case& input) {
    ParseFresh(input);
    input.window.Tree().SelectItem(0);
    const Text needle = "no such text";
    for (auto _ : state) {
        if (input.window.App().FindNext(needle)) state.SkipWithError("the needle was found");
    }
    state.counters["elements"] = input.window.Tree().Model().Count();
}

// Opens every level below the root, as `*` on the root does, and paints what shows.
void ExpandAll(benchmark::State& state, Case& input) {
    ParseFresh(input);
    ui::TreeView& tree = input.window.Tree();
    for (auto _ : state) {
        CollapseUntimed(state, tree);
        tree.ExpandAll(0);
        QApplication::processEvents();
    }
    state.counters["rows"] = tree.Model().rowCount();
}

// Selects the last item with every level collapsed, as find does: each ancestor opens.
void SelectLast(benchmark::State& state, Case& input) {
    ParseFresh(input);
    ui::TreeView& tree = input.window.Tree();
    for (auto _ : state) {
        CollapseUntimed(state, tree);
        if (!tree.SelectItem(tree.Model().Count() - 1)) state.SkipWithError("nothing to select");
        QApplication::processEvents();
    }
}

// One step up or down from the last item, as the arrow keys take it: the window shows the new
// item's path, value and attributes.
void KeyStep(benchmark::State& state, Case& input) {
    ParseFresh(input);
    ui::TreeView& tree = input.window.Tree();
    tree.SelectItem(tree.Model().Count() - 1);
    QApplication::processEvents();
    int iteration = 0;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, ++iteration % 2 ? Qt::Key_Up : Qt::Key_Down,
                        Qt::NoModifier);
        QApplication::sendEvent(&tree, &press);
        QApplication::processEvents();
    }
}

}  // namespace

TreeBenchmarks::TreeBenchmarks(double scale) {
    const int shortChain = std::max(100, static_cast<int>(10000 * scale));
    const int longChain = std::max(100, static_cast<int>(100000 * scale));
    for (Input input :
         {generateRecords(30 * scale), generateChain(shortChain), generateChain(longChain)}) {
        auto item = std::make_unique<Case>(input.name, Text(), input.name == "records");
        item->window.show();
        item->window.SourceBox().SetContent(input.bytes);
        QApplication::processEvents();
        item->bytes = item->window.SourceBox().Content();
        cases_.push_back(std::move(item));
    }
}

TreeBenchmarks::~TreeBenchmarks() = default;

void TreeBenchmarks::Register(bool smoke) {
    // Each iteration sets the whole box untimed first, which takes seconds at 30 MB: a few fixed
    // iterations rather than a time-bound run. The chains are small and quick, so they take
    // more, which steadies rows of a millisecond or less.
    auto add = [&](const std::string& row, Case& input, auto function) {
        const int iterations = smoke ? 1 : input.records ? 3 : row == "KeyStep" ? 30 : 300;
        benchmark::RegisterBenchmark(("Tree" + row + "/" + input.name).c_str(), function,
                                     std::ref(input))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(row == "Load" ? iterations * 3 : iterations);
    };
    for (const auto& input : cases_) {
        add("Load", *input, LoadOnly);
        add("ParseAfterEdit", *input, ParseAfterEdit);
        add("ExpandAll", *input, ExpandAll);
        add("SelectLast", *input, SelectLast);
        add("KeyStep", *input, KeyStep);
        if (!input->records) continue;
        add("Rename", *input, Rename);
        add("Format", *input, Format);
        add("FindStep", *input, FindStep);
    }
}

void TreeBenchmarks::PrintTable(const std::map<std::string, double>& seconds) const {
    auto at = [&](const std::string& row, const Case& input) {
        const auto found = seconds.find("Tree" + row + "/" + input.name);
        return found == seconds.end() ? 0.0 : found->second;
    };
    std::printf("\n%-13s %6s %8s  %-16s %10s %8s\n", "input", "MB", "Load ms", "row", "ms",
                "x Load");
    for (const auto& input : cases_) {
        const double load = at("Load", *input);
        if (load <= 0) continue;
        for (const char* row : {"ParseAfterEdit", "ExpandAll", "SelectLast", "KeyStep", "Rename",
                                "Format", "FindStep"}) {
            const double time = at(row, *input);
            if (time <= 0) continue;
            std::printf("%-13s %6.1f %8.1f  %-16s %10.1f %7.1fx\n", input->name.c_str(),
                        input->bytes.size() / 1048576.0, load * 1000, row, time * 1000,
                        time / load);
        }
    }
}

}  // namespace quillon::bench
