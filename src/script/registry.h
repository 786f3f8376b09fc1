#pragma once
// The class registry that object creation consults: class ids, the ProgIDs that name them, and
// the factories that make instances. The script control is registered from the start; other
// classes (tests, future servers) are added with ClassRegistry::add.
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "script/unknown.h"
#include "script/variant.h"

namespace quillon::script {

// A class id: 16 bytes, written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in registry form.
struct ClassId {
    std::array<std::uint8_t, 16> bytes{};
    friend bool operator==(const ClassId&, const ClassId&) = default;
};
std::string ToString(const ClassId& id);

// Where a server may run (CLSCTX_*); creation asks for a combination of these.
constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;
constexpr std::uint32_t CLSCTX_LOCAL_SERVER = 0x4;
constexpr std::uint32_t CLSCTX_REMOTE_SERVER = 0x10;

// Makes an instance for the given class context, or fails with a result code.
using ClassFactory = std::function<HResult(std::uint32_t context, ComPtr<Unknown>& out)>;

// The process-wide registry, like the system's: shared by all threads, guarded by a lock.
class ClassRegistry {
  public:
    static ClassRegistry& instance();

    // Registers (or replaces) a class under its id and ProgIDs.
    void add(const ClassId& id, std::vector<std::string> progIds, ClassFactory factory);
    // Drops a class and its ProgIDs.
    void remove(const ClassId& id);

    HResult classIdFromProgId(std::string_view progId, ClassId& out) const;
    HResult createInstance(const ClassId& id, std::uint32_t context, ComPtr<Unknown>& out) const;

  private:
    struct Entry {
        ClassId id;
        std::vector<std::string> progIds;
        ClassFactory factory;
    };
    ClassRegistry();

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The automation runtime's entry points over the registry.
HResult CLSIDFromString(std::string_view text, ClassId& out);
HResult CLSIDFromProgID(std::string_view progId, ClassId& out);
HResult CoCreateInstance(const ClassId& id, std::uint32_t context, ComPtr<Unknown>& out);

}  // namespace quillon::script
