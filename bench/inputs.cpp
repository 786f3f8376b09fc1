#include "inputs.h"

#include <cstdint>
#include <fstream>
#include <sstream>

#include "runtime/codepage.h"

namespace quillon::bench {
namespace {

// A small deterministic generator (64-bit LCG), so inputs do not depend on the library's rand().
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next(std::uint32_t bound) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33) % bound;
    }

  private:
    std::uint64_t state_;
};

// `count` GB2312 hanzi: lead 0xB0..0xD6, trail 0xA1..0xFE, all assigned and valid in GB18030.
void appendHanzi(std::string& out, Random& random, int count) {
    for (int i = 0; i < count; ++i) {
        out += static_cast<char>(0xB0 + random.next(0xD7 - 0xB0));
        out += static_cast<char>(0xA1 + random.next(0xFF - 0xA1));
    }
}

void appendWords(std::string& out, Random& random, int count) {
    static constexpr const char* kWords[] = {"alpha",  "beta",  "gamma", "delta", "quillon",
                                             "record", "value", "text",  "node",  "tree"};
    for (int i = 0; i < count; ++i) {
        if (i) out += ' ';
        out += kWords[random.next(10)];
    }
}

void appendRecord(std::string& out, Random& random, int id) {
    std::string n = std::to_string(id);
    out += "  <record id=\"" + n + "\" kind=\"book\" price=\"" + std::to_string(random.next(9999)) +
           "\" note=\"a &amp; b &lt; c\">\n";
    out += "    <title lang=\"zh\">";
    appendHanzi(out, random, 6 + random.next(10));
    out += " &quot;" + n + "&quot;</title>\n";
    out += "    <!-- record " + n + ": generated -->\n";
    out += "    <summary><![CDATA[raw <text> & ";
    appendHanzi(out, random, 8);
    out += "]]></summary>\n";
    out += "    <author first=\"";
    appendHanzi(out, random, 1);
    out += "\" last=\"";
    appendHanzi(out, random, 2);
    out += "\"/>\n    <tags><tag>";
    appendWords(out, random, 1);
    out += "</tag><tag>";
    appendWords(out, random, 1);
    out += " &amp; more</tag></tags>\n    <body>";
    appendWords(out, random, 10 + random.next(20));
    out += " &#20013; ";
    appendHanzi(out, random, 20 + random.next(40));
    out += "</body>\n  </record>\n";
}

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"GB18030\"?>\n";

}  // namespace

Input generateRecords(double megabytes) {
    Input input{"records", kDeclaration, 3};
    input.bytes += "<catalog source=\"generated\">\n";
    Random random(20170107);
    std::size_t target = static_cast<std::size_t>(megabytes * 1024 * 1024);
    for (int id = 1; input.bytes.size() < target; ++id) appendRecord(input.bytes, random, id);
    input.bytes += "</catalog>\n";
    return input;
}

Input generateWide(int children) {
    Input input{"wide", kDeclaration, 1};
    input.bytes += "<list>\n";
    for (int i = 1; i <= children; ++i)
        input.bytes += "<item n=\"" + std::to_string(i) + "\">v" + std::to_string(i) + "</item>\n";
    input.bytes += "</list>\n";
    return input;
}

Input generateForest(int chains, int depth) {
    Input input{"deep" + std::to_string(depth), kDeclaration, depth};
    input.bytes += "<forest>";
    std::string open, close;
    for (int level = 1; level < depth; ++level) {
        open += "<d l=\"" + std::to_string(level) + "\">";
        close += "</d>";
    }
    for (int i = 0; i < chains; ++i) input.bytes += open + "x" + close + "\n";
    input.bytes += "</forest>";
    return input;
}

Input generateChain(int depth) {
    Input input{"chain" + std::to_string(depth), kDeclaration, depth};
    input.bytes.reserve(input.bytes.size() + 7 * static_cast<std::size_t>(depth));
    for (int i = 0; i < depth; ++i) input.bytes += "<e>";
    for (int i = 0; i < depth; ++i) input.bytes += "</e>";
    return input;
}

Input generateMarkupRun(const std::string& name, const std::string& unit, std::size_t bytes) {
    Input input{name, "<r a=\"", 1};
    input.bytes.reserve(bytes + unit.size());
    while (input.bytes.size() + unit.size() + 11 <= bytes) input.bytes += unit;
    input.bytes += "\">text</r>";
    return input;
}

Input readSystemFile(const std::string& path, const std::string& name) {
    Input input{name, {}, 0, false};
    std::ifstream file(path, std::ios::binary);
    if (!file) return input;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    input.bytes = bytes.str();
    std::size_t doctype = input.bytes.find("<!DOCTYPE");
    std::size_t subset = doctype == std::string::npos ? doctype : input.bytes.find('[', doctype);
    std::size_t end = subset == std::string::npos ? subset : input.bytes.find("]>", subset);
    if (end != std::string::npos && subset < input.bytes.find('>', doctype))
        input.bytes.erase(doctype, end + 2 - doctype);
    // The files are UTF-8; the tool reads GBK bytes, so every parser gets the GB18030 form.
    input.bytes = codepage::utf8ToGbk(input.bytes);
    std::size_t declarationEnd = input.bytes.starts_with("<?xml") ? input.bytes.find("?>") : 0;
    if (declarationEnd == std::string::npos) declarationEnd = 0;
    input.bytes.replace(0, declarationEnd ? declarationEnd + 2 : 0, kDeclaration);
    // Real files nest shallowly; count the depth so the depth limits are honoured all the same.
    int depth = 0;
    for (std::size_t i = 0; i + 1 < input.bytes.size(); ++i) {
        if (input.bytes[i] != '<') continue;
        char next = input.bytes[i + 1];
        if (next == '/') {
            --depth;
        } else if (next != '!' && next != '?') {
            std::size_t close = input.bytes.find('>', i);
            if (close != std::string::npos && input.bytes[close - 1] != '/')
                input.depth = std::max(input.depth, ++depth);
        }
    }
    return input;
}

}  // namespace quillon::bench
