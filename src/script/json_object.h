#pragma once
// One JSON value kept in a private script engine and read or changed through short scripts.
//
//   JsonObject manifest;
//   manifest.Initialize();                   // own engine, value {}
//   manifest.Parse(R"({"edition":"20170108","down":"http://example.org/q.zip"})");
//   Text edition = manifest.GetText("edition");   // "20170108"
//   manifest.Destroy();
//
// Keys and paths are script member syntax ("a", "a.b", "a[0]", "[1]") and are inserted as they
// stand; an empty key addresses the whole value. Values given as plain texts are stored exactly
// as given (never run as code); values marked as JSON are evaluated.
#include <memory>
#include <string_view>

#include "runtime/text.h"
#include "script/com_object.h"

namespace quillon::script {

// Kinds reported by TypeOf and accepted by Reset.
enum JsonKind : int {
    kJsonNull = 0,  // null or undefined; for Reset, the empty object
    kJsonNumber = 2,
    kJsonObject = 4,
    kJsonArray = 5,
    kJsonString = 6,
    kJsonOther = -1,  // booleans, functions, or a failed call
};

// Built empty; Initialize gives it its own engine with the value {}. A failure leaves the empty
// result ("", 0, false) and the status for LastCallError. A copy shares the engine (and so the
// value) and enters the apartment too, so each Destroy leaves exactly what it entered.
class JsonObject {
  public:
    JsonObject() = default;
    JsonObject(const JsonObject&) = delete;
    JsonObject& operator=(const JsonObject&) = delete;

    // Names the value "da" and creates the engine.
    void Initialize();

    virtual void Destroy();
    virtual std::unique_ptr<JsonObject> Copy() const;
    virtual void CreateEngine();
    // Evaluates the text as a script expression; true unless that fails or gives null/undefined.
    virtual bool Parse(std::string_view text);
    virtual Text ToJson();
    virtual void SetMember(std::string_view key, std::string_view value, bool isJson = false);
    virtual void SetMemberExpression(std::string_view key, std::string_view expression);
    virtual void SetMemberNumber(std::string_view key, double number);
    virtual double GetMemberNumber(std::string_view key);
    virtual Text GetMemberJson(std::string_view key);
    virtual Text GetText(std::string_view key, bool asJson = false);
    // The value at the key as an independent object with its own engine (null when absent).
    virtual std::unique_ptr<JsonObject> GetObject(std::string_view key);
    virtual int Length(std::string_view key = {});
    // Appends to the array at the key, first replacing a non-array there by an empty array.
    virtual void Push(std::string_view value, std::string_view key = {}, bool isJson = false);
    virtual std::unique_ptr<JsonObject> GetElementObject(int index, std::string_view key = {});
    virtual Text GetElementText(int index, std::string_view key = {}, bool asJson = false);
    virtual void SetElement(int index, std::string_view value, bool isJson = false);
    virtual void RemoveElement(int index);
    // Kind 0 or 4: the empty object; 5: the empty array; others change nothing.
    virtual void Reset(int kind);
    // Replaces the whole value; the new value read as a logical.
    virtual bool SetRoot(std::string_view value, bool isJson = false);
    virtual bool Has(std::string_view key);
    // Replaces `names` with the enumerated member names at the key; returns their number.
    virtual int MemberNames(TextArray& names, std::string_view key = {});
    virtual int TypeOf(std::string_view key = {});
    virtual void Clear();

    virtual ~JsonObject();

  private:
    void release();
    void enterApartment();
    Text path(std::string_view key) const;
    Text readPath(std::string_view key) const;
    Value eval(std::string_view code, ValueKind result) const;
    std::unique_ptr<JsonObject> objectFromJson(std::string_view json) const;

    Text name_;
    ComObject engine_;
    bool inApartment_ = false;
};

// The text as a single-quoted script string literal that evaluates to exactly that text: quote,
// backslash, control characters and the two line separators are escaped, and every other
// character is kept as its GBK / GB18030 bytes.
Text QuoteScriptString(std::string_view text);

}  // namespace quillon::script
