#pragma once

// The base types, status codes and GUIDs of the COM subset, under COM's own
// names and with the widths they have on Windows, so that code written
// against the published COM headers builds unchanged on Linux. Interfaces use
// the compiler's default calling convention here.

#include <cstdint>
#include <cstring>

using HRESULT = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using UINT = unsigned int;
using WORD = uint16_t;
using DWORD = uint32_t;
using BYTE = uint8_t;
using CHAR = char;
using BOOL = int;
using LCID = DWORD;
using DISPID = LONG;
using MEMBERID = DISPID;
using SCODE = LONG;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using VARTYPE = uint16_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;
using LPVOID = void*;

// What the COM runtime library (libvelmora_com) exports: one copy per
// process, so that every module shares the per-thread error information and
// the loaded servers, as with the system's COM.
#define COM_API __attribute__((visibility("default")))

#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define STDAPI extern "C" HRESULT STDAPICALLTYPE

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is the 16-byte structure");

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool IsEqualIID(REFIID a, REFIID b)
{
    return IsEqualGUID(a, b);
}
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b)
{
    return IsEqualGUID(a, b);
}
inline bool operator==(REFGUID a, REFGUID b)
{
    return IsEqualGUID(a, b);
}

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

constexpr HRESULT MakeFailure(uint32_t code)
{
    return static_cast<HRESULT>(code);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeFailure(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeFailure(0x80004002u);
constexpr HRESULT E_POINTER = MakeFailure(0x80004003u);
constexpr HRESULT E_ABORT = MakeFailure(0x80004004u);
constexpr HRESULT E_FAIL = MakeFailure(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeFailure(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeFailure(0x80070005u);
constexpr HRESULT E_HANDLE = MakeFailure(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = MakeFailure(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeFailure(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeFailure(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeFailure(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeFailure(0x80040154u);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeFailure(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = MakeFailure(0x800401F9u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeFailure(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeFailure(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeFailure(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeFailure(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeFailure(0x80020006u);
constexpr HRESULT DISP_E_BADVARTYPE = MakeFailure(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = MakeFailure(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = MakeFailure(0x8002000Au);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeFailure(0x8002000Eu);
constexpr HRESULT CONNECT_E_NOCONNECTION = MakeFailure(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeFailure(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeFailure(0x80040202u);
constexpr HRESULT SELFREG_E_CLASS = MakeFailure(0x80040201u);

enum CLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
    CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
};

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// The published identifiers of the interfaces the subset declares.
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_IConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint = {
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnectionPoints = {
    0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnections = {
    0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IRunnableObject = {
    0x00000126, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
