#include "com/Dispatch.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

// Automation's coercion for the two targets the subset supports. Numbers
// round half to even on their way to an integer, values out of range give
// DISP_E_OVERFLOW, text that is not a number gives DISP_E_TYPEMISMATCH, and a
// by-reference argument is read through its pointer.

namespace {

constexpr WORD VARIANT_ALPHABOOL = 0x2;

// A number read from a variant: exact integers stay integers so that 64-bit
// values are range-checked without rounding.
struct Number {
    bool isInteger = true;
    int64_t integer = 0;
    bool unsignedLarge = false; // an unsigned 64-bit value above INT64_MAX
    double real = 0;
};

HRESULT ParseNumber(BSTR text, Number& number)
{
    std::string ascii;
    for (char16_t c : std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text))) {
        if (c > 0x7f || c == 0) {
            return DISP_E_TYPEMISMATCH;
        }
        ascii.push_back(static_cast<char>(c));
    }
    const char* begin = ascii.c_str();
    while (*begin == ' ' || *begin == '\t') {
        ++begin;
    }
    // Only plain decimal notation: strtod would also take hex, inf and nan.
    const char* scan = begin;
    if (*scan == '+' || *scan == '-') {
        ++scan;
    }
    if (!(std::isdigit(static_cast<unsigned char>(*scan)) ||
          (*scan == '.' && std::isdigit(static_cast<unsigned char>(scan[1]))))) {
        return DISP_E_TYPEMISMATCH;
    }
    for (const char* c = scan; *c != '\0'; ++c) {
        if (std::isalpha(static_cast<unsigned char>(*c)) && *c != 'e' && *c != 'E') {
            return DISP_E_TYPEMISMATCH;
        }
    }
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    if (*end != '\0') {
        return DISP_E_TYPEMISMATCH;
    }
    number.isInteger = false;
    number.real = value;
    return S_OK;
}

// How each type keeps its value in the VARIANT's union: the one place that
// knows the types, so that a value is read the same way in place and through
// a VT_BYREF pointer.
enum class Kind { Empty, Signed, Unsigned, Real, Currency, Text, NotANumber };

struct ValueType {
    VARTYPE vt;
    Kind kind;
    size_t size; // bytes of the value in the union
};

constexpr ValueType valueTypes[] = {
    {VT_EMPTY, Kind::Empty, 0},
    {VT_I1, Kind::Signed, 1},
    {VT_UI1, Kind::Unsigned, 1},
    {VT_I2, Kind::Signed, 2},
    {VT_BOOL, Kind::Signed, 2},
    {VT_UI2, Kind::Unsigned, 2},
    {VT_I4, Kind::Signed, 4},
    {VT_INT, Kind::Signed, 4},
    {VT_UI4, Kind::Unsigned, 4},
    {VT_UINT, Kind::Unsigned, 4},
    {VT_I8, Kind::Signed, 8},
    {VT_UI8, Kind::Unsigned, 8},
    {VT_R4, Kind::Real, 4},
    {VT_R8, Kind::Real, 8},
    {VT_DATE, Kind::Real, 8},
    {VT_CY, Kind::Currency, 8},
    {VT_BSTR, Kind::Text, sizeof(BSTR)},
    {VT_NULL, Kind::NotANumber, 0},
    {VT_ERROR, Kind::NotANumber, 4},
    {VT_UNKNOWN, Kind::NotANumber, sizeof(IUnknown*)},
    {VT_DISPATCH, Kind::NotANumber, sizeof(IDispatch*)},
};

// The type's layout, or null for a type the subset does not convert.
const ValueType* TypeOf(VARTYPE vt)
{
    for (const ValueType& type : valueTypes) {
        if (type.vt == vt) {
            return &type;
        }
    }
    return nullptr;
}

// The first `size` bytes of the union as an unsigned number.
static_assert(std::endian::native == std::endian::little, "the union's narrow members share its low bytes");
uint64_t LowBytes(const VARIANT& source, size_t size)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &source.llVal, size);
    return bits;
}

int64_t SignExtended(uint64_t bits, size_t size)
{
    const unsigned unused = 64 - 8 * static_cast<unsigned>(size);
    return static_cast<int64_t>(bits << unused) >> unused;
}

// A by-reference argument as a value in scratch; null for a type that cannot
// be read through a pointer, or a null pointer.
const VARIANT* Dereferenced(const VARIANT* source, VARIANT& scratch)
{
    if ((source->vt & VT_BYREF) == 0) {
        return source;
    }
    const VARTYPE vt = source->vt & ~VT_BYREF;
    if (source->byref == nullptr) {
        return nullptr;
    }
    if (vt == VT_VARIANT) {
        return source->pvarVal;
    }
    const ValueType* type = TypeOf(vt);
    if (type == nullptr || type->size == 0) {
        return nullptr;
    }
    VariantInit(&scratch);
    scratch.vt = vt;
    std::memcpy(&scratch.llVal, source->byref, type->size);
    return &scratch;
}

HRESULT ReadNumber(const VARIANT& source, Number& number)
{
    const ValueType* type = TypeOf(source.vt);
    if (type == nullptr) {
        return DISP_E_BADVARTYPE;
    }
    switch (type->kind) {
    case Kind::Empty:
        number.integer = 0;
        return S_OK;
    case Kind::Signed:
        number.integer = SignExtended(LowBytes(source, type->size), type->size);
        return S_OK;
    case Kind::Unsigned: {
        const uint64_t value = LowBytes(source, type->size);
        number.unsignedLarge = value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
        number.integer = static_cast<int64_t>(value);
        return S_OK;
    }
    case Kind::Real:
        number.isInteger = false;
        number.real = type->size == sizeof(float) ? source.fltVal : source.dblVal;
        return S_OK;
    case Kind::Currency:
        number.isInteger = false;
        number.real = static_cast<double>(source.llVal) / 10000.0;
        return S_OK;
    case Kind::Text:
        return ParseNumber(source.bstrVal, number);
    case Kind::NotANumber:
        break;
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT ToLong(const Number& number, LONG& result)
{
    int64_t value = number.integer;
    if (number.unsignedLarge) {
        return DISP_E_OVERFLOW;
    }
    if (!number.isInteger) {
        if (!std::isfinite(number.real)) {
            return DISP_E_OVERFLOW;
        }
        const double rounded = std::nearbyint(number.real); // the default mode rounds half to even
        if (rounded < -2147483648.0 || rounded > 2147483647.0) {
            return DISP_E_OVERFLOW;
        }
        value = static_cast<int64_t>(rounded);
    }
    if (value < std::numeric_limits<LONG>::min() || value > std::numeric_limits<LONG>::max()) {
        return DISP_E_OVERFLOW;
    }
    result = static_cast<LONG>(value);
    return S_OK;
}

BSTR AsciiBstr(const char* text)
{
    std::u16string wide(text, text + std::strlen(text));
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.c_str()), static_cast<UINT>(wide.size()));
}

HRESULT ToBstr(const VARIANT& source, WORD flags, BSTR& result)
{
    char text[64];
    switch (source.vt) {
    case VT_EMPTY:
        text[0] = '\0';
        break;
    case VT_BSTR:
        result = SysAllocStringLen(source.bstrVal, SysStringLen(source.bstrVal));
        return result != nullptr ? S_OK : E_OUTOFMEMORY;
    case VT_BOOL:
        if ((flags & VARIANT_ALPHABOOL) != 0) {
            std::snprintf(text, sizeof text, "%s", source.boolVal != 0 ? "True" : "False");
        } else {
            std::snprintf(text, sizeof text, "%d", source.boolVal != 0 ? -1 : 0);
        }
        break;
    case VT_R4:
        std::snprintf(text, sizeof text, "%.7G", static_cast<double>(source.fltVal));
        break;
    case VT_R8:
        std::snprintf(text, sizeof text, "%.15G", source.dblVal);
        break;
    case VT_CY: {
        // Currency keeps four decimals; trailing zeros and a bare point are dropped.
        const bool negative = source.llVal < 0;
        const ULONGLONG magnitude = negative ? 0 - static_cast<ULONGLONG>(source.llVal) : source.llVal;
        std::snprintf(text, sizeof text, "%s%llu.%04llu", negative ? "-" : "", magnitude / 10000, magnitude % 10000);
        size_t length = std::strlen(text);
        while (text[length - 1] == '0') {
            text[--length] = '\0';
        }
        if (text[length - 1] == '.') {
            text[length - 1] = '\0';
        }
        break;
    }
    default: {
        Number number;
        const HRESULT hr = source.vt == VT_DATE ? DISP_E_TYPEMISMATCH : ReadNumber(source, number);
        if (FAILED(hr)) {
            return hr;
        }
        if (number.unsignedLarge) {
            std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(number.integer));
        } else {
            std::snprintf(text, sizeof text, "%lld", static_cast<long long>(number.integer));
        }
        break;
    }
    }
    result = AsciiBstr(text);
    return result != nullptr ? S_OK : E_OUTOFMEMORY;
}

// A dispatch object stands for the value of its default property.
HRESULT DefaultValue(IDispatch* object, VARIANT& value)
{
    if (object == nullptr) {
        return DISP_E_TYPEMISMATCH;
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VariantInit(&value);
    const HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                                      nullptr, nullptr);
    return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

} // namespace

void VariantInit(VARIANTARG* variant)
{
    std::memset(variant, 0, sizeof(VARIANT));
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* variant)
{
    if (variant == nullptr) {
        return E_INVALIDARG;
    }
    switch (variant->vt) {
    case VT_BSTR:
        SysFreeString(variant->bstrVal);
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (variant->punkVal != nullptr) {
            variant->punkVal->Release();
        }
        break;
    default:
        break;
    }
    VariantInit(variant);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* destination, const VARIANTARG* source)
{
    if (destination == nullptr || source == nullptr) {
        return E_INVALIDARG;
    }
    VARIANT copy = *source;
    if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (copy.bstrVal == nullptr) {
            return E_OUTOFMEMORY;
        }
    } else if ((source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) && source->punkVal != nullptr) {
        source->punkVal->AddRef();
    }
    VariantClear(destination);
    *destination = copy;
    return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, WORD flags, VARTYPE type)
{
    if (destination == nullptr || source == nullptr) {
        return E_INVALIDARG;
    }
    if (type != VT_I4 && type != VT_BSTR) {
        return DISP_E_BADVARTYPE;
    }
    VARIANT scratch;
    const VARIANT* value = Dereferenced(source, scratch);
    if (value == nullptr || (value->vt & VT_BYREF) != 0) {
        return DISP_E_BADVARTYPE;
    }
    VARIANT property;
    VariantInit(&property);
    if (value->vt == VT_DISPATCH) {
        const HRESULT hr = DefaultValue(value->pdispVal, property);
        if (FAILED(hr) || property.vt == VT_DISPATCH) {
            VariantClear(&property);
            return DISP_E_TYPEMISMATCH;
        }
        value = &property;
    }
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = S_OK;
    if (type == VT_I4) {
        Number number;
        hr = ReadNumber(*value, number);
        if (SUCCEEDED(hr)) {
            hr = ToLong(number, result.lVal);
        }
    } else {
        hr = ToBstr(*value, flags, result.bstrVal);
    }
    VariantClear(&property);
    if (FAILED(hr)) {
        return hr;
    }
    result.vt = type;
    VariantClear(destination);
    *destination = result;
    return S_OK;
}

HRESULT DispGetParam(DISPPARAMS* params, UINT position, VARTYPE type, VARIANT* result, UINT* argErr)
{
    if (params == nullptr || result == nullptr) {
        return E_INVALIDARG;
    }
    // A named argument whose DISPID is the position wins over the positional one.
    UINT index = params->cArgs;
    for (UINT named = 0; named < params->cNamedArgs && named < params->cArgs; ++named) {
        if (params->rgdispidNamedArgs != nullptr && params->rgdispidNamedArgs[named] == static_cast<DISPID>(position)) {
            index = named;
            break;
        }
    }
    if (index == params->cArgs) {
        const UINT positional = params->cArgs - std::min(params->cNamedArgs, params->cArgs);
        if (position >= positional) {
            return DISP_E_PARAMNOTFOUND;
        }
        index = params->cArgs - 1 - position;
    }
    if (params->rgvarg == nullptr) {
        return DISP_E_PARAMNOTFOUND;
    }
    VariantInit(result);
    const HRESULT hr = VariantChangeType(result, &params->rgvarg[index], 0, type);
    if (FAILED(hr)) {
        if (argErr != nullptr && (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW)) {
            *argErr = index;
        }
        return hr;
    }
    return S_OK;
}
