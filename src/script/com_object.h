#pragma once
// Late-bound automation calls: a holder for an automation object, its creation from a ProgID or
// class id, property reads and writes and method calls by member name with typed arguments and a
// requested result kind, and the per-thread status that every call leaves behind.
//
//   ComObject control;
//   if (CreateObject(control, "ScriptControl")) {
//       SetProperty(control, "Language", {Arg::text("JScript")});
//       Value v = CallMethod(control, "Eval", {Arg::text("1+2")}, ValueKind::Text);
//       // v.text() == "3"; on failure it is empty and LastCallError() says why.
//   }
#include <cstdint>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/text.h"
#include "script/unknown.h"
#include "script/variant.h"

namespace quillon::script {

// The kind of a value that goes into a call or comes out of it. Codes outside this list are
// refused as arguments (status -7).
enum class ValueKind : std::uint32_t {
    None = 0,  // an omitted argument, or a dropped result
    Text = 0x80000004,
    Logical = 0x80000002,
    Byte = 0x80000101,
    Short = 0x80000201,
    Integer = 0x80000301,
    Long = 0x80000401,
    Float = 0x80000501,
    Double = 0x80000601,
    DateTime = 0x80000003,
    Object = 0x10030,
    Variant = 0x10031,
};
// Added to an argument's kind code: the call reads the caller's variable and may write it back.
constexpr std::uint32_t kByReference = 0x20000000;

// The per-thread status of the last late-bound call.
enum CallStatus : int {
    kOk = 0,
    kObjectEmpty = -1,
    kNoDispatch = -2,
    kNameNotFound = -3,
    kNoTypeInfo = -4,
    kTooManyArguments = -5,
    kNotFontObject = -6,
    kBadArgumentKind = -7,
    kResultMismatch = -8,
    kBadParamCount = -9,
    kBadVarType = -10,
    kException = -11,
    kMemberNotFound = -12,
    kNoNamedArgs = -13,
    kOverflow = -14,
    kParamNotFound = -15,
    kTypeMismatch = -16,
    kParamNotOptional = -17,
    kOtherFailure = -18,
};

// Holds one reference to an automation object, or nothing. Copying shares the object (one more
// reference); destruction releases the reference.
class ComObject {
  public:
    ComObject() = default;
    explicit ComObject(ComPtr<Unknown> p) : object_(std::move(p)) {}

    bool empty() const { return !object_; }
    explicit operator bool() const { return !empty(); }
    Unknown* get() const { return object_.get(); }
    const ComPtr<Unknown>& ptr() const { return object_; }
    void reset(ComPtr<Unknown> p = {}) { object_ = std::move(p); }

  private:
    ComPtr<Unknown> object_;
};

// A value of one ValueKind: what a call returns, and what a by-reference argument points at.
class Value {
  public:
    Value() = default;  // ValueKind::None

    static Value text(std::string_view t) { return {ValueKind::Text, Text(t)}; }
    static Value logical(bool b) { return {ValueKind::Logical, b}; }
    static Value byte(std::uint8_t v) { return {ValueKind::Byte, std::int64_t{v}}; }
    static Value shortInteger(std::int16_t v) { return {ValueKind::Short, std::int64_t{v}}; }
    static Value integer(std::int32_t v) { return {ValueKind::Integer, std::int64_t{v}}; }
    static Value longInteger(std::int64_t v) { return {ValueKind::Long, v}; }
    static Value floating(float v) { return {ValueKind::Float, double{v}}; }
    static Value real(double v) { return {ValueKind::Double, v}; }
    static Value dateTime(double v) { return {ValueKind::DateTime, v}; }
    static Value object(ComObject o) { return {ValueKind::Object, std::move(o)}; }
    static Value variant(Variant v) { return {ValueKind::Variant, std::move(v)}; }
    // The empty value of a kind: "", 0, false, an empty holder or an empty variant.
    static Value emptyOf(ValueKind kind);

    ValueKind kind() const { return kind_; }
    // Readers; each gives the empty value when the kind stores something else.
    const Text& text() const;
    bool logical() const;
    double number() const;         // any numeric kind (or logical) as a double
    std::int64_t integer() const;  // integral kinds and logical
    const ComObject& object() const;
    const Variant& variant() const;
    Variant& variant();

  private:
    using Payload =
        std::variant<std::monostate, Text, bool, std::int64_t, double, ComObject, script::Variant>;
    Value(ValueKind k, Payload p) : kind_(k), data_(std::move(p)) {}

    ValueKind kind_ = ValueKind::None;
    Payload data_;
};

// One argument of a late-bound call: a value of a kind, an omitted argument, or a reference to
// the caller's variable.
struct Arg {
    std::uint32_t code = 0;  // the kind code, plus kByReference for references
    Value value;
    Value* ref = nullptr;

    Arg() = default;  // omitted
    Arg(Value v) : code(static_cast<std::uint32_t>(v.kind())), value(std::move(v)) {}

    static Arg omitted() { return {}; }
    static Arg text(std::string_view t) { return Value::text(t); }
    static Arg logical(bool b) { return Value::logical(b); }
    static Arg integer(std::int32_t v) { return Value::integer(v); }
    static Arg longInteger(std::int64_t v) { return Value::longInteger(v); }
    static Arg real(double v) { return Value::real(v); }
    static Arg variant(Variant v) { return Value::variant(std::move(v)); }
    // The caller's variable, passed by reference; its kind is the variable's current kind.
    static Arg byRef(Value& target) {
        Arg a;
        a.code = static_cast<std::uint32_t>(target.kind()) | kByReference;
        a.ref = &target;
        return a;
    }
    // Any raw kind code (codes outside ValueKind are refused by the call).
    static Arg withCode(std::uint32_t code, Value v = {}) {
        Arg a(std::move(v));
        a.code = code;
        return a;
    }
};
using ArgList = std::vector<Arg>;

// Creates an object from a ProgID, or from a class id in registry form ("{...}"), into
// `object`. On failure returns false and leaves `object` as it was. The status is not touched.
bool CreateObject(ComObject& object, std::string_view progIdOrClassId,
                  std::string_view typeLibrary = {});
// `destination` takes a reference to the source's object, releasing what it held before.
void AssignObject(ComObject& destination, const ComObject& source);
// Releases the held object; the holder becomes empty.
void ClearObject(ComObject& object);

// Property read, property write (the last argument is the new value) and method call. Each sets
// the calling thread's status; on failure the result is the empty value of `result`.
Value GetProperty(const ComObject& object, std::string_view name, const ArgList& args,
                  ValueKind result);
bool SetProperty(const ComObject& object, std::string_view name, const ArgList& args);
Value CallMethod(const ComObject& object, std::string_view name, const ArgList& args,
                 ValueKind result);

// The calling thread's status and its message text ("" for 0 and for unknown codes).
int LastCallStatus();
Text LastCallError(const ComObject& unused = {});
Text CallStatusText(int status);

// VariantClear, leaving the variant empty.
void ClearVariant(Variant& variant);

// The apartment: a per-thread entry count. CoInitialize returns S_OK on the first entry and
// S_FALSE on nested ones; CoUninitialize leaves one entry (never below zero).
HResult CoInitialize(void* reserved = nullptr);
void CoUninitialize();
int ApartmentCount();

}  // namespace quillon::script
