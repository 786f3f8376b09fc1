#pragma once
// The script loaded into every JSON object's engine.
#include "runtime/text.h"

namespace quillon::script {

// The JSON script with CRLF line ends. It starts with `get__count`, then gives the engine
// `JSON.stringify` / `JSON.parse` when it lacks them, `toJSON` on the date, string, number and
// boolean prototypes when dates lack one, and the enumerable `toJSONString` / `parseJSON`
// members on the object prototype.
const Text& JsonScript();

}  // namespace quillon::script
