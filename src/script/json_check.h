#pragma once
// Checking untrusted text before it is handed to a JsonObject, whose Parse evaluates it.
#include <string_view>

namespace quillon::script {

// Whether the engine's strict JSON parser reads `text` (GBK bytes) as exactly one JSON object:
// not an array, string, number or literal, with nothing but white space around it. The text is
// only ever parsed as data, in an engine of its own, so nothing in it can run. Evaluating an
// accepted text as a script expression builds an object and runs nothing; a lone string, by
// contrast, would be run as code by the eval that JsonObject::Parse wraps around its text.
bool IsJsonObjectText(std::string_view text);

}  // namespace quillon::script
