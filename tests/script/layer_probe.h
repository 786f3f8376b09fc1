#pragma once
// A small automation class for the late-bound call cases the script control cannot produce:
// surplus and variable argument lists, by-reference parameters, a method that returns nothing,
// a null result, chosen failure codes, a variable member and an object property.
#include <atomic>
#include <string>
#include <vector>

#include "script/dispatch.h"
#include "script/registry.h"

namespace quillon::script::testing {

// Counts live probes, so that tests can see references being released.
inline std::atomic<int> liveProbes{0};

class Probe : public Dispatch {
  public:
    enum Id : MemberId {
        kEcho = 1,
        kJoin,
        kNothing,
        kNull,
        kTwice,
        kSwap,
        kFail,
        kValue,
        kName,
        kChild,
    };

    Probe() { ++liveProbes; }
    ~Probe() override { --liveProbes; }

    const TypeInfo* typeInfo() const override;
    HResult invoke(MemberId id, InvokeKind flags, DispParams& params, Variant* result) override;

    int calls = 0;  // invocations that reached the object
    InvokeKind lastFlags = 0;
    std::vector<VarType> lastTypes;  // argument types as received, first to last
    std::vector<MemberId> lastNamed;
    std::int32_t value = 0;
    Variant name = Variant::bstr(u"probe");
};

// Registers the probe under "Quillon.Probe" / kProbeClassId, plus the failing classes below.
void RegisterProbeClasses();
inline constexpr const char* kProbeClassId = "{0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9}";

}  // namespace quillon::script::testing
