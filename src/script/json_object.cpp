#include "script/json_object.h"

#include <charconv>
#include <cmath>
#include <string>

#include "runtime/codepage.h"
#include "script/json_script.h"
#include "script/script_host.h"

namespace quillon::script {
namespace {

constexpr std::string_view kValueName = "da";

void appendUnicodeEscape(Text& out, char16_t unit) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

// "%.13g", but independent of the C locale, and with the script's names for non-finite numbers.
Text formatNumber(double number) {
    if (std::isnan(number)) return "NaN";
    if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
    char buffer[32];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 13);
    return ec == std::errc() ? Text(buffer, end) : Text("NaN");
}

// Splits at every comma: each piece ending at a comma counts (even an empty one); the rest after
// the last comma only when it is not empty.
TextArray splitAtCommas(std::string_view text) {
    TextArray pieces;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        pieces.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    if (start < text.size()) pieces.emplace_back(text.substr(start));
    return pieces;
}

void eraseAll(Text& text, std::string_view word) {
    for (size_t at = text.find(word); at != Text::npos; at = text.find(word, at)) {
        text.erase(at, word.size());
    }
}

}  // namespace

Text QuoteScriptString(std::string_view text) {
    // Working on characters, not bytes: a GBK trail byte may equal the backslash, and an
    // invalid lead byte must not swallow an escape that follows it. Invalid bytes therefore
    // become U+FFFD, as in every other text handed to the engine.
    const std::u16string units = codepage::gbkToUtf16(text);
    Text out = "'";
    std::u16string wide;  // a run of non-ASCII characters, kept as GBK / GB18030 bytes
    auto flushWide = [&] {
        out += codepage::utf16ToGbk(wide);
        wide.clear();
    };
    for (char16_t unit : units) {
        const bool lineSeparator = unit == 0x2028 || unit == 0x2029;
        if (unit >= 0x80 && !lineSeparator) {
            wide += unit;
            continue;
        }
        if (!wide.empty()) flushWide();
        if (unit == '\'' || unit == '\\') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit < 0x20 || lineSeparator) {
            appendUnicodeEscape(out, unit);
        } else {
            out += static_cast<char>(unit);
        }
    }
    if (!wide.empty()) flushWide();
    out += '\'';
    return out;
}

// --- lifecycle --------------------------------------------------------------------------------

void JsonObject::Initialize() {
    name_ = kValueName;
    CreateEngine();
}

void JsonObject::enterApartment() {
    CoInitialize(nullptr);
    inApartment_ = true;
}

void JsonObject::CreateEngine() {
    if (!inApartment_) enterApartment();
    // Results are not examined: an engine that is missing fails every later call instead.
    CreateObject(engine_, "MSScriptControl.ScriptControl");
    SetProperty(engine_, "Language", {Arg::text("JavaScript")});
    CallMethod(engine_, "AddCode", {Arg::text(JsonScript())}, ValueKind::Double);
    eval("var " + name_ + "={}", ValueKind::Double);
}

void JsonObject::release() {
    ClearObject(engine_);
    if (inApartment_) {
        inApartment_ = false;
        CoUninitialize();
    }
    name_.clear();
}

void JsonObject::Destroy() {
    release();
}

JsonObject::~JsonObject() {
    release();
}

std::unique_ptr<JsonObject> JsonObject::Copy() const {
    auto copy = std::make_unique<JsonObject>();
    copy->name_ = name_;
    copy->enterApartment();
    AssignObject(copy->engine_, engine_);
    return copy;
}

// --- helpers ----------------------------------------------------------------------------------

Value JsonObject::eval(std::string_view code, ValueKind result) const {
    return CallMethod(engine_, "Eval", {Arg::text(code)}, result);
}

// The value's name, or its member at a non-empty key.
Text JsonObject::path(std::string_view key) const {
    return key.empty() ? name_ : name_ + "." + Text(key);
}

// As path(), but a key that starts with a bracket indexes the value itself.
Text JsonObject::readPath(std::string_view key) const {
    if (!key.empty() && key.front() == '[') return name_ + Text(key);
    return path(key);
}

std::unique_ptr<JsonObject> JsonObject::objectFromJson(std::string_view json) const {
    JsonObject temporary;
    temporary.Initialize();
    temporary.Parse(json);
    std::unique_ptr<JsonObject> copy = temporary.Copy();
    temporary.Destroy();  // the engine lives on through the copy's reference
    return copy;
}

// --- whole value ------------------------------------------------------------------------------

bool JsonObject::Parse(std::string_view text) {
    eval("var " + name_ + "=null", ValueKind::Double);
    CallMethod(engine_, "AddCode", {Arg::text("var " + name_ + "=eval(" + Text(text) + ")")},
               ValueKind::Double);
    return eval("null !=" + name_, ValueKind::Logical).logical();
}

Text JsonObject::ToJson() {
    return eval("JSON.stringify(" + name_ + ")", ValueKind::Text).text();
}

void JsonObject::Reset(int kind) {
    if (kind == kJsonNull || kind == kJsonObject) {
        eval("var " + name_ + "={}", ValueKind::Double);
    } else if (kind == kJsonArray) {
        eval("var " + name_ + "=new Array()", ValueKind::Double);
    }
}

bool JsonObject::SetRoot(std::string_view value, bool isJson) {
    const Text literal = isJson ? Text(value) : QuoteScriptString(value);
    return eval(name_ + "=" + literal, ValueKind::Logical).logical();
}

void JsonObject::Clear() {
    eval(name_ + "={}", ValueKind::None);
}

// --- members ----------------------------------------------------------------------------------

void JsonObject::SetMember(std::string_view key, std::string_view value, bool isJson) {
    if (isJson) {
        SetMemberExpression(key, value.empty() ? std::string_view("{}") : value);
    } else {
        eval(path(key) + "=" + QuoteScriptString(value), ValueKind::None);
    }
}

void JsonObject::SetMemberExpression(std::string_view key, std::string_view expression) {
    eval(path(key) + "= eval(" + Text(expression) + ")", ValueKind::None);
}

void JsonObject::SetMemberNumber(std::string_view key, double number) {
    eval(path(key) + "=" + formatNumber(number), ValueKind::None);
}

double JsonObject::GetMemberNumber(std::string_view key) {
    return eval(path(key), ValueKind::Double).number();
}

Text JsonObject::GetMemberJson(std::string_view key) {
    return eval("JSON.stringify(" + path(key) + ")", ValueKind::Text).text();
}

Text JsonObject::GetText(std::string_view key, bool asJson) {
    const Text at = readPath(key);
    return eval(asJson ? "JSON.stringify(" + at + ")" : at, ValueKind::Text).text();
}

std::unique_ptr<JsonObject> JsonObject::GetObject(std::string_view key) {
    const Text json = eval("JSON.stringify(" + readPath(key) + ")", ValueKind::Text).text();
    return objectFromJson(json);
}

bool JsonObject::Has(std::string_view key) {
    return eval(path(key) + " !=null", ValueKind::Logical).logical();
}

int JsonObject::MemberNames(TextArray& names, std::string_view key) {
    Text listed =
        eval("var ary=''; for (var key in " + path(key) + ") {ary=ary+ key+','; }", ValueKind::Text)
            .text();
    eraseAll(listed, "toJSONString,");
    eraseAll(listed, "parseJSON,");
    Value scratch = eval("ary=null", ValueKind::Variant);
    ClearVariant(scratch.variant());
    names = splitAtCommas(listed);
    return static_cast<int>(names.size());
}

int JsonObject::TypeOf(std::string_view key) {
    const Text at = path(key);
    if (eval(at + "==null", ValueKind::Logical).logical()) return kJsonNull;
    const Text type = eval("typeof (" + at + ")", ValueKind::Text).text();
    if (type == "string") return kJsonString;
    if (type == "number") return kJsonNumber;
    if (type != "object") return kJsonOther;
    const Text json = eval("JSON.stringify(" + at + ")", ValueKind::Text).text();
    return !json.empty() && json.front() == '[' ? kJsonArray : kJsonObject;
}

// --- arrays -----------------------------------------------------------------------------------

int JsonObject::Length(std::string_view key) {
    return TruncateToInt(eval(path(key) + ".length", ValueKind::Double).number());
}

void JsonObject::Push(std::string_view value, std::string_view key, bool isJson) {
    const Text at = path(key);
    const Text item = isJson ? Text(value) : QuoteScriptString(value);
    eval("if (Object.prototype.toString.call(" + at + ") != '[object Array]') { " + at +
             "=new Array();} " + at + ".push(" + item + ")",
         ValueKind::None);
}

std::unique_ptr<JsonObject> JsonObject::GetElementObject(int index, std::string_view key) {
    const Text json =
        eval("JSON.stringify(" + path(key) + "[" + std::to_string(index) + "])", ValueKind::Text)
            .text();
    return objectFromJson(json);
}

Text JsonObject::GetElementText(int index, std::string_view key, bool asJson) {
    const Text element = path(key) + "[" + std::to_string(index) + "]";
    return eval(asJson ? "JSON.stringify(" + element + ")" : element, ValueKind::Text).text();
}

void JsonObject::SetElement(int index, std::string_view value, bool isJson) {
    const Text item = isJson ? Text(value) : QuoteScriptString(value);
    eval(name_ + "[" + std::to_string(index) + "]=" + item, ValueKind::None);
}

void JsonObject::RemoveElement(int index) {
    eval(name_ + ".splice(" + std::to_string(index) + ",1)", ValueKind::None);
}

}  // namespace quillon::script
