#include "script/json_check.h"

#include "runtime/codepage.h"
#include "script/duk_engine.h"

namespace quillon::script {
namespace {

// The text arrives as an argument, never as source. JSON.parse is the engine's own strict
// parser, not the script fallback that JsonObject engines carry.
constexpr std::u16string_view kChecker =
    u"function isJsonObject(t) {"
    u"  var v = JSON.parse(t);"
    u"  return v !== null && typeof v === 'object' &&"
    u"         Object.prototype.toString.call(v) !== '[object Array]';"
    u"}";

// Parsing is linear in the text; the limit only guards against a pathological engine state.
constexpr int kTimeoutMs = 10000;

}  // namespace

bool IsJsonObjectText(std::string_view text) {
    ScriptEngine engine;
    if (engine.execute(kChecker, kTimeoutMs) != S_OK) return false;
    Variant result;
    const std::vector<Variant> args{Variant::bstr(codepage::gbkToUtf16(text))};
    if (engine.call(u"isJsonObject", args, kTimeoutMs, result) != S_OK) return false;
    return result.vt() == VT_BOOL && result.boolean();
}

}  // namespace quillon::script
