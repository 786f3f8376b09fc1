// quillon-bench: how fast Quillon's XmlTree::Load builds a tree compared with pugixml, RapidXML,
// tinyxml2 and libxml2 on the same bytes, how much heap each tree holds, and what filling a view
// over positional paths costs next to the load; also the format button's formatting next to
// `xmllint --format`. Summary tables follow the usual output.
//
//   quillon-bench [--scale=F] [benchmark flags]   F shrinks or grows every generated input
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fill.h"
#include "format_bench.h"
#include "inputs.h"
#include "parsers.h"
#include "report.h"

namespace quillon::bench {
namespace {

// Heap bytes in use (arena chunks plus mmapped blocks), as malloc itself counts them.
std::size_t heapInUse() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

constexpr const char* kRefused = "refused the input";

struct Row {
    std::string input;
    std::string parser;
    double megabytes = 0;
    std::size_t heapBytes = 0;
    std::string note;  // why there is no time ("refused", "left out: ...")
};

std::vector<Input> makeInputs(double scale) {
    std::vector<Input> inputs;
    inputs.push_back(generateRecords(30 * scale));
    inputs.push_back(generateWide(std::max(100, static_cast<int>(100000 * scale))));
    // tinyxml2 refuses nesting beyond 100, so the deep document all five read stays below it;
    // a chain of 100,000 levels is read only by the parsers that survive it.
    inputs.push_back(generateForest(std::max(10, static_cast<int>(5000 * scale)), 90));
    inputs.push_back(generateChain(std::max(1000, static_cast<int>(100000 * scale))));
    for (auto [path, name] : {std::pair{"/usr/share/mime/packages/freedesktop.org.xml", "mime"},
                              std::pair{"/usr/share/xml/iso-codes/iso_639-3.xml", "iso639"}}) {
        Input input = readSystemFile(path, name);
        if (!input.bytes.empty()) inputs.push_back(std::move(input));
    }
    return inputs;
}

void registerLoad(const Input& input, const Parser& parser) {
    std::string name = "load/" + input.name + "/" + std::string(parser.name);
    benchmark::RegisterBenchmark(name.c_str(), [&input, &parser](benchmark::State& state) {
        for (auto _ : state) {
            std::shared_ptr<void> tree = parser.load(input.bytes);
            if (!tree) state.SkipWithError("refused the input");
            state.PauseTiming();  // releasing the tree is not part of the load
            tree.reset();
            state.ResumeTiming();
        }
        state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.bytes.size()));
    })->Unit(benchmark::kMillisecond);
}

void registerFill(const Input& input) {
    std::string name = "fill/" + input.name + "/quillon";
    benchmark::RegisterBenchmark(name.c_str(), [&input](benchmark::State& state) {
        xml::XmlTree tree;
        tree.Load(ByteView(reinterpret_cast<const std::uint8_t*>(input.bytes.data()),
                           input.bytes.size()));
        std::size_t reached = 0;
        for (auto _ : state) benchmark::DoNotOptimize(reached = fillLikeTheWindow(tree));
        state.counters["elements"] = static_cast<double>(reached);
    })->Unit(benchmark::kMillisecond);
}

// Loads once outside the timing to see that the parser takes the input and what the tree holds.
Row measure(const Input& input, const Parser& parser) {
    Row row{input.name, std::string(parser.name), input.bytes.size() / 1e6, 0, {}};
    if (input.depth > parser.maxDepth) {
        row.note = "left out (nesting " + std::to_string(input.depth) + " > " +
                   std::to_string(parser.maxDepth) + ")";
        return row;
    }
    std::size_t before = heapInUse();
    std::shared_ptr<void> tree = parser.load(input.bytes);
    row.heapBytes = heapInUse() - before;
    if (!tree) row.note = kRefused;
    return row;
}

}  // namespace
}  // namespace quillon::bench

namespace quillon::bench {
namespace {

void printLoadTable(const std::vector<Row>& rows, const std::map<std::string, double>& seconds) {
    auto timeOf = [&](const std::string& input, const std::string& parser) {
        auto it = seconds.find("load/" + input + "/" + parser);
        return it == seconds.end() ? 0.0 : it->second;
    };
    std::map<std::string, const Row*> reference;
    for (const Row& row : rows)
        if (row.parser == "pugixml" && row.note.empty()) reference[row.input] = &row;

    std::printf("\n%-10s %8s  %-9s %9s %10s %12s %10s\n", "input", "MB", "parser", "MB/s",
                "speed/pugi", "tree heap MB", "heap/pugi");
    for (const Row& row : rows) {
        double time = timeOf(row.input, row.parser);
        std::printf("%-10s %8.2f  %-9s ", row.input.c_str(), row.megabytes, row.parser.c_str());
        if (!row.note.empty() || time <= 0) {
            std::printf("%s\n", row.note.empty() ? "no time" : row.note.c_str());
            continue;
        }
        std::printf("%9.1f ", row.megabytes / time);
        auto ref = reference.find(row.input);
        double refTime = ref == reference.end() ? 0 : timeOf(row.input, "pugixml");
        if (refTime > 0) {
            std::printf("%10.2f ", refTime / time);
        } else {
            std::printf("%10s ", "-");
        }
        std::printf("%12.2f ", row.heapBytes / 1e6);
        if (refTime > 0 && ref->second->heapBytes > 0) {
            std::printf("%10.2f\n", double(row.heapBytes) / double(ref->second->heapBytes));
        } else {
            std::printf("%10s\n", "-");
        }
    }
}

void printFillTable(const std::vector<std::string>& filled,
                    const std::map<std::string, double>& seconds) {
    std::printf("\n%-10s %12s %12s %10s\n", "input", "load ms", "fill ms", "fill/load");
    for (const std::string& input : filled) {
        auto load = seconds.find("load/" + input + "/quillon");
        auto fill = seconds.find("fill/" + input + "/quillon");
        if (load == seconds.end() || fill == seconds.end()) continue;
        std::printf("%-10s %12.2f %12.2f %10.2f\n", input.c_str(), load->second * 1e3,
                    fill->second * 1e3, fill->second / load->second);
    }
}

// The markup-run documents next to records of the same size, Quillon only: what matters is that
// their load time grows with their size as an ordinary document's does.
std::vector<Input> makeRunInputs(const Input& records) {
    return {generateMarkupRun("run<!<!--", "<!<!--", records.bytes.size()),
            generateMarkupRun("run<<!--", "<<!--", records.bytes.size())};
}

void printRunTable(const std::vector<Input>& runs, const std::map<std::string, double>& seconds) {
    auto records = seconds.find("load/records/quillon");
    if (records == seconds.end()) return;
    std::printf("\n%-12s %8s %12s %12s\n", "input", "MB", "load ms", "vs records");
    for (const Input& input : runs) {
        auto load = seconds.find("load/" + input.name + "/quillon");
        if (load == seconds.end()) continue;
        std::printf("%-12s %8.2f %12.2f %12.2f\n", input.name.c_str(), input.bytes.size() / 1e6,
                    load->second * 1e3, load->second / records->second);
    }
}

}  // namespace
}  // namespace quillon::bench

int main(int argc, char** argv) {
    using namespace quillon::bench;
    double scale = readScale(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const std::vector<Input> inputs = makeInputs(scale);
    const std::vector<Parser> parsers = allParsers();
    std::vector<Row> rows;
    std::vector<std::string> filled;
    for (const Input& input : inputs) {
        for (const Parser& parser : parsers) {
            rows.push_back(measure(input, parser));
            if (rows.back().note.empty()) registerLoad(input, parser);
        }
        bool quillonLoads = rows[rows.size() - parsers.size()].note.empty();
        if (quillonLoads && (input.name == "records" || input.name == "wide")) {
            registerFill(input);
            filled.push_back(input.name);
        }
    }

    const std::vector<Input> runs = makeRunInputs(inputs.front());
    bool runRefused = false;
    for (const Input& input : runs) {
        runRefused |= !measure(input, parsers.front()).note.empty();
        registerLoad(input, parsers.front());
    }

    FormatBench format;
    format.registerAll(inputs);

    std::map<std::string, double> seconds;
    CollectingReporter reporter(seconds, Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printLoadTable(rows, seconds);
    printFillTable(filled, seconds);
    printRunTable(runs, seconds);
    format.printTable();
    // A refused generated input means the inputs or a parser broke; fail so the smoke run shows it.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].note == kRefused && inputs[i / parsers.size()].generated) {
            std::fprintf(stderr, "%s refused the generated input %s\n", rows[i].parser.c_str(),
                         rows[i].input.c_str());
            return 1;
        }
    }
    if (runRefused) {
        std::fprintf(stderr, "quillon refused a markup-run input\n");
        return 1;
    }
    return 0;
}
