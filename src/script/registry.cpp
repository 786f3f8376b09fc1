#include "script/registry.h"

#include <cstdio>

#include "script/dispatch.h"
#include "script/script_control.h"

namespace quillon::script {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string ToString(const ClassId& id) {
    const auto& b = id.bytes;
    char buf[40];
    std::snprintf(buf, sizeof buf,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return buf;
}

HResult CLSIDFromString(std::string_view text, ClassId& out) {
    // {8-4-4-4-12} hex digits, either letter case, braces required.
    constexpr std::string_view shape = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != shape.size()) return CO_E_CLASSSTRING;
    ClassId id;
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] != 'x') {
            if (text[i] != shape[i]) return CO_E_CLASSSTRING;
            continue;
        }
        int d = hexDigit(text[i]);
        if (d < 0) return CO_E_CLASSSTRING;
        id.bytes[nibble / 2] = static_cast<std::uint8_t>(id.bytes[nibble / 2] << 4 | d);
        ++nibble;
    }
    out = id;
    return S_OK;
}

ClassRegistry::ClassRegistry() {
    ClassId control;
    CLSIDFromString(ScriptControl::kClassId, control);
    add(control, {"ScriptControl", "MSScriptControl.ScriptControl"}, ScriptControl::create);
}

ClassRegistry& ClassRegistry::instance() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::add(const ClassId& id, std::vector<std::string> progIds, ClassFactory factory) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.id == id; });
    entries_.push_back({id, std::move(progIds), std::move(factory)});
}

void ClassRegistry::remove(const ClassId& id) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& e) { return e.id == id; });
}

HResult ClassRegistry::classIdFromProgId(std::string_view progId, ClassId& out) const {
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_) {
        for (const std::string& p : e.progIds) {
            if (SameAutomationName(p, progId)) return out = e.id, S_OK;
        }
    }
    return CO_E_CLASSSTRING;
}

HResult ClassRegistry::createInstance(const ClassId& id, std::uint32_t context,
                                      ComPtr<Unknown>& out) const {
    ClassFactory factory;
    {
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_) {
            if (e.id == id) factory = e.factory;
        }
    }
    // The factory runs outside the lock: it may create objects that consult the registry.
    if (!factory) return REGDB_E_CLASSNOTREG;
    ComPtr<Unknown> made;
    HResult hr = factory(context, made);
    if (Failed(hr)) return hr;
    if (!made) return E_FAIL;
    out = std::move(made);
    return S_OK;
}

HResult CLSIDFromProgID(std::string_view progId, ClassId& out) {
    return ClassRegistry::instance().classIdFromProgId(progId, out);
}

HResult CoCreateInstance(const ClassId& id, std::uint32_t context, ComPtr<Unknown>& out) {
    return ClassRegistry::instance().createInstance(id, context, out);
}

}  // namespace quillon::script
