// A fuzzer for the strict JSON check and JsonObject::Parse behind it: no input may crash or hang
// either, and what the check accepts must read back as an object.
//   build-fuzz/tests/script/json_fuzz -max_total_time=60 tests/script/fuzz_seeds
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "script/json_check.h"
#include "script/json_object.h"

using namespace quillon::script;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // Only checked text is evaluated, as the update check does: anything else may be code.
    if (!IsJsonObjectText(text)) return 0;
    static JsonObject* const object = [] {
        auto* made = new JsonObject;
        made->Initialize();
        return made;
    }();
    if (object->Parse(text) && object->TypeOf() != kJsonObject) std::abort();
    object->GetText("edition");
    object->TypeOf("edition");
    return 0;
}
