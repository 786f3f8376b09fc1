#include "script/com_object.h"

namespace quillon::script {

namespace {
thread_local int tlsStatus = 0;
thread_local int tlsApartment = 0;
}  // namespace

Value Value::emptyOf(ValueKind kind) {
    (void)kind;
    return {};
}
const Text& Value::text() const {
    static const Text empty;
    const Text* t = std::get_if<Text>(&data_);
    return t ? *t : empty;
}
bool Value::logical() const {
    return false;
}
double Value::number() const {
    return 0;
}
std::int64_t Value::integer() const {
    return 0;
}
const ComObject& Value::object() const {
    static const ComObject empty;
    return empty;
}
const Variant& Value::variant() const {
    static const Variant empty;
    return empty;
}
Variant& Value::variant() {
    if (!std::holds_alternative<script::Variant>(data_)) data_ = script::Variant();
    return std::get<script::Variant>(data_);
}

bool CreateObject(ComObject&, std::string_view, std::string_view) {
    return false;
}
void AssignObject(ComObject& destination, const ComObject& source) {
    destination = source;
}
void ClearObject(ComObject& object) {
    object.reset();
}
Value GetProperty(const ComObject&, std::string_view, const ArgList&, ValueKind) {
    tlsStatus = kObjectEmpty;
    return {};
}
bool SetProperty(const ComObject&, std::string_view, const ArgList&) {
    tlsStatus = kObjectEmpty;
    return false;
}
Value CallMethod(const ComObject&, std::string_view, const ArgList&, ValueKind) {
    tlsStatus = kObjectEmpty;
    return {};
}
int LastCallStatus() {
    return tlsStatus;
}
Text LastCallError(const ComObject&) {
    return CallStatusText(tlsStatus);
}
Text CallStatusText(int) {
    return {};
}
void ClearVariant(Variant& variant) {
    variant.clear();
}
HResult CoInitialize(void*) {
    return tlsApartment++ == 0 ? S_OK : S_FALSE;
}
void CoUninitialize() {
    if (tlsApartment > 0) --tlsApartment;
}
int ApartmentCount() {
    return tlsApartment;
}

}  // namespace quillon::script
