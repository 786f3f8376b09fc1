#include "script/variant.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "runtime/text.h"
#include "script/dispatch.h"

namespace quillon::script {

std::int64_t Variant::integer() const {
    const std::int64_t* v = std::get_if<std::int64_t>(&data_);
    return v ? *v : 0;
}

double Variant::real() const {
    const double* v = std::get_if<double>(&data_);
    return v ? *v : 0.0;
}

const std::u16string& Variant::bstr() const {
    static const std::u16string empty;
    const std::u16string* v = std::get_if<std::u16string>(&data_);
    return v ? *v : empty;
}

Unknown* Variant::object() const {
    const ComPtr<Unknown>* v = std::get_if<ComPtr<Unknown>>(&data_);
    return v ? v->get() : nullptr;
}

Variant* Variant::target() const {
    Variant* const* v = std::get_if<Variant*>(&data_);
    return v ? *v : nullptr;
}

namespace {

std::u16string widenAscii(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

// The value a by-reference variant points at; the variant itself otherwise.
const Variant& resolved(const Variant& v) {
    const Variant* p = &v;
    for (int depth = 0; p->isByRef() && p->target() && depth < 8; ++depth) p = p->target();
    return *p;
}

bool isIntegral(VarType vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_BOOL:
            return true;
        default:
            return false;
    }
}

bool isNumeric(VarType vt) {
    return isIntegral(vt) || vt == VT_R4 || vt == VT_R8 || vt == VT_DATE || vt == VT_CY;
}

// Days since 1899-12-30 to a civil date (proleptic Gregorian).
void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 693899;  // 1899-12-30 -> days since 0000-03-01
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// A date as the automation runtime writes it: "2017/1/7", "2017/1/7 13:05:09" or "13:05:09".
std::u16string formatDate(double date) {
    if (!std::isfinite(date) || std::fabs(date) > 2958466.0) return u"";
    double day = std::trunc(date);
    long long seconds = std::llround(std::fabs(date - day) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += date < 0 ? -1 : 1;
    }
    char buf[64];
    std::string out;
    if (day != 0) {
        int y, m, d;
        civilFromDays(static_cast<long long>(day), y, m, d);
        std::snprintf(buf, sizeof buf, "%d/%d/%d", y, m, d);
        out = buf;
    }
    if (seconds != 0 || day == 0) {
        std::snprintf(buf, sizeof buf, "%s%lld:%02lld:%02lld", out.empty() ? "" : " ",
                      seconds / 3600, seconds / 60 % 60, seconds % 60);
        out += buf;
    }
    return widenAscii(out);
}

std::u16string formatCurrency(std::int64_t scaled) {
    char buf[48];
    unsigned long long mag = scaled < 0 ? 0ull - static_cast<unsigned long long>(scaled)
                                        : static_cast<unsigned long long>(scaled);
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", scaled < 0 ? "-" : "", mag / 10000,
                  mag % 10000);
    std::string s = buf;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return widenAscii(s);
}

HResult toText(const Variant& src, Variant& dest) {
    const VarType vt = src.vt();
    std::u16string text;
    if (vt == VT_EMPTY) {
        text = u"";
    } else if (isIntegral(vt)) {  // a logical without the alphabetic flag reads "-1" / "0"
        text = widenAscii(std::to_string(src.integer()));
    } else if (vt == VT_R8) {
        text = FormatAutomationNumber(src.real());
    } else if (vt == VT_R4) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.7G", src.real());
        text = widenAscii(buf);
    } else if (vt == VT_DATE) {
        text = formatDate(src.real());
    } else if (vt == VT_CY) {
        text = formatCurrency(src.integer());
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    dest = Variant::bstr(std::move(text));
    return S_OK;
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// A number in text as automation reads it: optional blanks and sign, digits (thousands commas
// allowed before the point), an optional fraction and exponent.
HResult parseNumber(const std::u16string& s, double& out) {
    std::string ascii;
    std::size_t i = 0, n = s.size();
    while (i < n && isSpace(s[i])) ++i;
    while (n > i && isSpace(s[n - 1])) --n;
    bool digits = false, point = false, exponent = false;
    for (std::size_t k = i; k < n; ++k) {
        char16_t c = s[k];
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if ((c == u'+' || c == u'-') &&
                   (k == i || (exponent && (s[k - 1] == u'e' || s[k - 1] == u'E')))) {
        } else if (c == u',' && digits && !point && !exponent) {
            continue;
        } else if (c == u'.' && !point && !exponent) {
            point = true;
        } else if ((c == u'e' || c == u'E') && digits && !exponent) {
            exponent = true;
            digits = false;
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        ascii.push_back(static_cast<char>(c));
    }
    if (!digits) return DISP_E_TYPEMISMATCH;
    char* end = nullptr;
    out = std::strtod(ascii.c_str(), &end);
    if (end != ascii.c_str() + ascii.size()) return DISP_E_TYPEMISMATCH;
    return std::isfinite(out) ? S_OK : DISP_E_OVERFLOW;
}

// The numeric value of a source: exact for integral types, a double otherwise.
struct Number {
    bool exact = false;
    std::int64_t i = 0;
    double d = 0;
};

HResult readNumber(const Variant& src, Number& n) {
    const VarType vt = src.vt();
    if (vt == VT_EMPTY) {
        n = {true, 0, 0};
    } else if (isIntegral(vt)) {
        n = {true, src.integer(), static_cast<double>(src.integer())};
    } else if (vt == VT_R4 || vt == VT_R8 || vt == VT_DATE) {
        n = {false, 0, src.real()};
    } else if (vt == VT_CY) {
        n = {false, 0, static_cast<double>(src.integer()) / 10000.0};
    } else if (vt == VT_BSTR) {
        std::u16string trimmed = src.bstr();
        if (equalsAsciiNoCase(trimmed, u"true")) return n = {true, -1, -1}, S_OK;
        if (equalsAsciiNoCase(trimmed, u"false")) return n = {true, 0, 0}, S_OK;
        n.exact = false;
        return parseNumber(src.bstr(), n.d);
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

// Rounds half to even, as automation does when it narrows a real to an integer.
HResult toInteger(const Number& n, std::int64_t lo, std::int64_t hi, std::int64_t& out) {
    if (n.exact) {
        out = n.i;
    } else {
        if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
        double r = n.d - std::floor(n.d) == 0.5 ? 2.0 * std::round(n.d / 2.0) : std::round(n.d);
        if (r < -9.2233720368547758e18 || r >= 9.2233720368547758e18) return DISP_E_OVERFLOW;
        out = static_cast<std::int64_t>(r);
    }
    return out < lo || out > hi ? DISP_E_OVERFLOW : S_OK;
}

bool integralRange(VarType vt, std::int64_t& lo, std::int64_t& hi) {
    switch (vt) {
        case VT_I1:
            lo = INT8_MIN, hi = INT8_MAX;
            return true;
        case VT_UI1:
            lo = 0, hi = UINT8_MAX;
            return true;
        case VT_I2:
            lo = INT16_MIN, hi = INT16_MAX;
            return true;
        case VT_UI2:
            lo = 0, hi = UINT16_MAX;
            return true;
        case VT_I4:
        case VT_INT:
            lo = INT32_MIN, hi = INT32_MAX;
            return true;
        case VT_UI4:
        case VT_UINT:
            lo = 0, hi = UINT32_MAX;
            return true;
        case VT_I8:
            lo = INT64_MIN, hi = INT64_MAX;
            return true;
        case VT_UI8:
            lo = 0, hi = INT64_MAX;
            return true;
        default:
            return false;
    }
}

Variant makeIntegral(VarType vt, std::int64_t i) {
    switch (vt) {
        case VT_I1:
            return Variant::i1(static_cast<std::int8_t>(i));
        case VT_UI1:
            return Variant::ui1(static_cast<std::uint8_t>(i));
        case VT_I2:
            return Variant::i2(static_cast<std::int16_t>(i));
        case VT_UI2:
            return Variant::ui2(static_cast<std::uint16_t>(i));
        case VT_I4:
        case VT_INT:
            return Variant::i4(static_cast<std::int32_t>(i));
        case VT_UI4:
        case VT_UINT:
            return Variant::ui4(static_cast<std::uint32_t>(i));
        default:
            return Variant::i8(i);
    }
}

HResult toNumber(const Variant& src, VarType vt, Variant& dest) {
    Number n;
    if (HResult hr = readNumber(src, n); Failed(hr)) return hr;
    const double d = n.exact ? static_cast<double>(n.i) : n.d;
    switch (vt) {
        case VT_BOOL:
            dest = Variant::boolean(n.exact ? n.i != 0 : d != 0);
            return S_OK;
        case VT_R8:
            dest = Variant::r8(d);
            return S_OK;
        case VT_DATE:
            dest = Variant::date(d);
            return S_OK;
        case VT_R4:
            if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
                return DISP_E_OVERFLOW;
            dest = Variant::r4(static_cast<float>(d));
            return S_OK;
        case VT_CY:
            if (!std::isfinite(d) || std::fabs(d) >= 922337203685477.0) return DISP_E_OVERFLOW;
            dest = Variant::cy(std::llround(d * 10000.0));
            return S_OK;
        default:
            break;
    }
    std::int64_t lo = 0, hi = 0, i = 0;
    if (!integralRange(vt, lo, hi)) return DISP_E_BADVARTYPE;
    HResult hr = toInteger(n, lo, hi, i);
    if (!Failed(hr)) dest = makeIntegral(vt, i);
    return hr;
}

// The default value of an object: its DISPID_VALUE property.
HResult defaultValue(const Variant& src, Variant& out) {
    Unknown* obj = src.object();
    Dispatch* disp = obj ? obj->queryDispatch() : nullptr;
    if (!disp) return DISP_E_TYPEMISMATCH;
    ComPtr<Unknown> keep(obj);
    DispParams none;
    HResult hr = disp->invoke(DISPID_VALUE, DISPATCH_PROPERTYGET | DISPATCH_METHOD, none, &out);
    if (Failed(hr)) return DISP_E_TYPEMISMATCH;
    return out.vt() == VT_DISPATCH || out.vt() == VT_UNKNOWN ? DISP_E_TYPEMISMATCH : S_OK;
}

// An empty source gives a null object; a dispatch target needs the calling interface.
HResult toObject(const Variant& src, VarType vt, Variant& dest) {
    if (src.vt() != VT_EMPTY && src.vt() != VT_UNKNOWN && src.vt() != VT_DISPATCH)
        return DISP_E_TYPEMISMATCH;
    ComPtr<Unknown> p(src.object());
    if (vt == VT_DISPATCH && p && !p->queryDispatch()) return E_NOINTERFACE;
    dest = vt == VT_DISPATCH ? Variant::dispatch(p) : Variant::unknown(p);
    return S_OK;
}

HResult changeType(Variant& dest, const Variant& src, VarType vt) {
    const VarType from = src.vt();
    if ((vt & (VT_BYREF | VT_ARRAY)) || vt == VT_VARIANT || vt == VT_RECORD || vt == VT_DECIMAL)
        return DISP_E_BADVARTYPE;
    if (vt == from) return dest = src, S_OK;
    if (vt == VT_EMPTY) return dest = Variant(), S_OK;
    if (vt == VT_NULL)
        return from == VT_EMPTY ? (dest = Variant::null(), S_OK) : DISP_E_TYPEMISMATCH;
    if (vt == VT_UNKNOWN || vt == VT_DISPATCH) return toObject(src, vt, dest);
    if (from == VT_UNKNOWN || from == VT_DISPATCH) {
        Variant value;
        if (HResult hr = defaultValue(src, value); Failed(hr)) return hr;
        return changeType(dest, value, vt);
    }
    if (from == VT_NULL || from == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
    if (from != VT_EMPTY && from != VT_BSTR && !isNumeric(from)) return DISP_E_BADVARTYPE;
    if (vt == VT_BSTR) return toText(src, dest);
    return toNumber(src, vt, dest);
}

}  // namespace

HResult VariantChangeType(Variant& dest, const Variant& src, std::uint16_t, VarType vt) {
    Variant out;
    HResult hr = changeType(out, resolved(src), vt);
    if (!Failed(hr)) dest = std::move(out);
    return hr;
}

HResult VariantCopyInd(Variant& dest, const Variant& src) {
    const Variant& value = resolved(src);
    if (value.isByRef()) return E_INVALIDARG;  // a dangling reference
    dest = value;
    return S_OK;
}

std::u16string FormatAutomationNumber(double value) {
    if (std::isnan(value)) return u"NaN";
    if (std::isinf(value)) return value < 0 ? u"-Infinity" : u"Infinity";
    if (value == 0) return u"0";
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return widenAscii(buf);
}

}  // namespace quillon::script
