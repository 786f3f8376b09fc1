#pragma once
// The documents the parse benchmark runs on: generated ones (deterministic, so every run and
// every parser sees the same bytes) and XML files that a Debian system ships.
#include <string>
#include <vector>

namespace quillon::bench {

struct Input {
    std::string name;
    std::string bytes;
    int depth = 0;  // deepest element nesting, so parsers with a depth limit can be left out
    bool generated = true;  // every parser must take a generated input
};

// About `megabytes` of records: attributes, text, entity references, comments, CDATA and two-byte
// GBK text (GB2312 characters, both bytes 0xA1 and up), declared as GB18030.
Input generateRecords(double megabytes);
// A root with `children` small children.
Input generateWide(int children);
// A root holding `chains` chains of `depth` nested elements each.
Input generateForest(int chains, int depth);
// One chain of `depth` nested elements.
Input generateChain(int depth);

// A document of about `bytes` bytes whose one attribute value is `unit` repeated: runs of '<', '!'
// and '-' that look like the start of a comment without opening one. Comment removal has to stay
// linear on them.
Input generateMarkupRun(const std::string& name, const std::string& unit, std::size_t bytes);

// A shipped XML file, converted from UTF-8 to GB18030 (declared so) and with its DOCTYPE internal
// subset removed (the tool's parser refuses one), so every parser reads the same bytes; empty
// bytes when the file is missing.
Input readSystemFile(const std::string& path, const std::string& name);

}  // namespace quillon::bench
