#include "parsers.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <tinyxml2.h>

#include <climits>
#include <cstring>
#include <pugixml.hpp>
#include <rapidxml/rapidxml.hpp>

#include "xml/xml_tree.h"

namespace quillon::bench {
namespace {

std::shared_ptr<void> loadQuillon(std::string_view bytes) {
    auto tree = std::make_shared<xml::XmlTree>();
    ByteView view(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return tree->Load(view) ? tree : nullptr;
}

std::shared_ptr<void> loadPugixml(std::string_view bytes) {
    auto doc = std::make_shared<pugi::xml_document>();
    pugi::xml_parse_result result = doc->load_buffer(bytes.data(), bytes.size());
    return result ? doc : nullptr;
}

// RapidXML parses in place, so it gets its own mutable, zero-terminated copy; the copy is part
// of the load (the others start from the same read-only bytes) and of the memory the tree holds.
struct RapidTree {
    std::unique_ptr<char[]> text;
    rapidxml::xml_document<char> doc;
};

std::shared_ptr<void> loadRapidxml(std::string_view bytes) {
    auto tree = std::make_shared<RapidTree>();
    tree->text.reset(new char[bytes.size() + 1]);
    std::memcpy(tree->text.get(), bytes.data(), bytes.size());
    tree->text[bytes.size()] = '\0';
    try {
        tree->doc.parse<rapidxml::parse_default>(tree->text.get());
    } catch (const rapidxml::parse_error&) {
        return nullptr;
    }
    return tree;
}

std::shared_ptr<void> loadTinyxml2(std::string_view bytes) {
    auto doc = std::make_shared<tinyxml2::XMLDocument>();
    return doc->Parse(bytes.data(), bytes.size()) == tinyxml2::XML_SUCCESS ? doc : nullptr;
}

// XML_PARSE_HUGE lifts libxml2's default nesting limit of 256.
std::shared_ptr<void> loadLibxml2(std::string_view bytes) {
    xmlDocPtr doc =
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "input.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return nullptr;
    return std::shared_ptr<void>(doc, [](void* d) { xmlFreeDoc(static_cast<xmlDocPtr>(d)); });
}

}  // namespace

std::vector<Parser> allParsers() {
    return {
        {"quillon", loadQuillon, INT_MAX},
        {"pugixml", loadPugixml, INT_MAX},
        {"rapidxml", loadRapidxml, 1000},  // recursive descent on the machine stack
        {"tinyxml2", loadTinyxml2, TINYXML2_MAX_ELEMENT_DEPTH - 1},
        {"libxml2", loadLibxml2, INT_MAX},
    };
}

}  // namespace quillon::bench
