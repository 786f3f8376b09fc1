#include "script/com_object.h"

#include "runtime/codepage.h"
#include "script/registry.h"

namespace quillon::script {

namespace {

thread_local int tlsApartment = 0;

constexpr std::string_view kStatusTexts[] = {
    "",
    "对象为空",
    "指定对象没有调用接口",
    "未找到指定属性或方法",
    "指定对象没有类型信息",
    "提供了过多的参数",
    "该对象不是字体对象",
    "参数数据类型错误",
    "执行成功，但返回值类型不匹配",
    "参数数目错误",
    "参数类型值无效",
    "发现异常",
    "未找到指定成员",
    "不支持命名参数",
    "溢出",
    "未找到指定参数",
    "类型不匹配",
    "必需的参数数据被省略",
    "其他原因调用失败",
};

// The status texts above are written as UTF-8 in this file; callers get GBK.
Text statusText(int status) {
    if (status > 0 || status < kOtherFailure) return {};
    return codepage::utf8ToGbk(kStatusTexts[-status]);
}

}  // namespace

Value Value::emptyOf(ValueKind kind) {
    switch (kind) {
        case ValueKind::Text:
            return text("");
        case ValueKind::Logical:
            return logical(false);
        case ValueKind::Byte:
            return byte(0);
        case ValueKind::Short:
            return shortInteger(0);
        case ValueKind::Integer:
            return integer(0);
        case ValueKind::Long:
            return longInteger(0);
        case ValueKind::Float:
            return floating(0);
        case ValueKind::Double:
            return real(0);
        case ValueKind::DateTime:
            return dateTime(0);
        case ValueKind::Object:
            return object({});
        case ValueKind::Variant:
            return variant({});
        default:
            return {};
    }
}

const Text& Value::text() const {
    static const Text empty;
    const Text* t = std::get_if<Text>(&data_);
    return t ? *t : empty;
}

bool Value::logical() const {
    if (const bool* b = std::get_if<bool>(&data_)) return *b;
    return integer() != 0;
}

double Value::number() const {
    if (const double* d = std::get_if<double>(&data_)) return *d;
    if (const bool* b = std::get_if<bool>(&data_)) return *b ? -1.0 : 0.0;
    return static_cast<double>(integer());
}

std::int64_t Value::integer() const {
    if (const std::int64_t* i = std::get_if<std::int64_t>(&data_)) return *i;
    if (const bool* b = std::get_if<bool>(&data_)) return *b ? -1 : 0;
    return 0;
}

const ComObject& Value::object() const {
    static const ComObject empty;
    const ComObject* o = std::get_if<ComObject>(&data_);
    return o ? *o : empty;
}

const Variant& Value::variant() const {
    static const script::Variant empty;
    const script::Variant* v = std::get_if<script::Variant>(&data_);
    return v ? *v : empty;
}

Variant& Value::variant() {
    if (!std::holds_alternative<script::Variant>(data_)) *this = Value::variant({});
    return std::get<script::Variant>(data_);
}

bool CreateObject(ComObject& object, std::string_view name, std::string_view typeLibrary) {
    try {
        // A type library would be tried first for a ProgID with a library file; none can be
        // loaded here, so creation always takes the registry road.
        (void)typeLibrary;
        ClassId id;
        HResult hr = !name.empty() && name.front() == '{' ? CLSIDFromString(name, id)
                                                          : CLSIDFromProgID(name, id);
        if (Failed(hr)) return false;
        constexpr std::uint32_t kAll = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER |
                                       CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
        ComPtr<Unknown> made;
        hr = CoCreateInstance(id, kAll, made);
        if (hr == E_INVALIDARG) hr = CoCreateInstance(id, kAll & ~CLSCTX_REMOTE_SERVER, made);
        if (Failed(hr) || !made) return false;
        if (Failed(made->run())) return false;  // `made` releases the object
        object.reset(std::move(made));
        return true;
    } catch (...) {
        return false;
    }
}

void AssignObject(ComObject& destination, const ComObject& source) {
    destination.reset(source.ptr());  // the old object, if any, is released here
}

void ClearObject(ComObject& object) {
    object.reset();
}

Text LastCallError(const ComObject&) {
    return statusText(LastCallStatus());
}

Text CallStatusText(int status) {
    return statusText(status);
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
