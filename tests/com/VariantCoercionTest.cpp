#include "com/Com.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

VARIANT Long(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Real(double value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

VARIANT Text(const char16_t* text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}

// Converts to VT_I4; the HRESULT, and the value when it succeeded.
std::pair<HRESULT, LONG> AsLong(VARIANT source)
{
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = VariantChangeType(&out, &source, 0, VT_I4);
    VariantClear(&source);
    return {hr, SUCCEEDED(hr) ? out.lVal : 0};
}

std::u16string AsText(VARIANT source)
{
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = VariantChangeType(&out, &source, 0, VT_BSTR);
    VariantClear(&source);
    if (FAILED(hr)) {
        return u"<failed>";
    }
    std::u16string text(BstrView(out.bstrVal));
    VariantClear(&out);
    return text;
}

} // namespace

TEST(VariantCoercion, VariantHasTheStandardLayout)
{
    EXPECT_EQ(sizeof(VARIANT), 24u);
    EXPECT_EQ(offsetof(VARIANT, lVal), 8u);
    EXPECT_EQ(sizeof(DISPPARAMS), 24u);
}

// Tests the integer coercion: reals round half to even, range is checked, and
// text must be a plain decimal number.
TEST(VariantCoercion, ToLongRoundsChecksRangeAndParsesText)
{
    EXPECT_EQ(AsLong(Long(-7)), std::make_pair(S_OK, -7));
    EXPECT_EQ(AsLong(Real(2.5)), std::make_pair(S_OK, 2));
    EXPECT_EQ(AsLong(Real(3.5)), std::make_pair(S_OK, 4));
    EXPECT_EQ(AsLong(Real(-2.5)), std::make_pair(S_OK, -2));
    EXPECT_EQ(AsLong(Real(3e9)).first, DISP_E_OVERFLOW);
    EXPECT_EQ(AsLong(Real(NAN)).first, DISP_E_OVERFLOW);
    EXPECT_EQ(AsLong(Text(u" 42 ")), std::make_pair(S_OK, 42));
    EXPECT_EQ(AsLong(Text(u"-1.5")), std::make_pair(S_OK, -2));
    EXPECT_EQ(AsLong(Text(u"12abc")).first, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(AsLong(Text(u"")).first, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(AsLong(Text(u"0x10")).first, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(AsLong(Text(u"99999999999")).first, DISP_E_OVERFLOW);

    VARIANT big;
    VariantInit(&big);
    big.vt = VT_UI4;
    big.ulVal = 0x80000000u;
    EXPECT_EQ(AsLong(big).first, DISP_E_OVERFLOW);
    VARIANT flag;
    VariantInit(&flag);
    flag.vt = VT_BOOL;
    flag.boolVal = VARIANT_TRUE;
    EXPECT_EQ(AsLong(flag), std::make_pair(S_OK, -1));
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(AsLong(empty), std::make_pair(S_OK, 0));
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    EXPECT_EQ(AsLong(null).first, DISP_E_TYPEMISMATCH);
}

TEST(VariantCoercion, ToTextWritesNumbersInDecimal)
{
    EXPECT_EQ(AsText(Long(-40)), u"-40");
    EXPECT_EQ(AsText(Real(1.5)), u"1.5");
    EXPECT_EQ(AsText(Text(u"same")), u"same");
    VARIANT flag;
    VariantInit(&flag);
    flag.vt = VT_BOOL;
    flag.boolVal = VARIANT_TRUE;
    EXPECT_EQ(AsText(flag), u"-1");
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_EQ(AsText(empty), u"");
    VARIANT huge;
    VariantInit(&huge);
    huge.vt = VT_UI8;
    huge.ullVal = 18446744073709551615ull;
    EXPECT_EQ(AsText(huge), u"18446744073709551615");
}

// Tests that a by-reference argument of each width is read through its
// pointer as the value it points at, and a null pointer is refused.
TEST(VariantCoercion, ByReferenceArgumentsAreReadThroughTheirPointer)
{
    LONG value = 17;
    SHORT negative = -3;
    BYTE high = 200;
    double real = 2.5;
    BSTR text = SysAllocString(u"12");
    const auto reference = [](VARTYPE vt, void* target) {
        VARIANT ref;
        VariantInit(&ref);
        ref.vt = vt | VT_BYREF;
        ref.byref = target;
        return ref;
    };
    EXPECT_EQ(AsLong(reference(VT_I4, &value)), std::make_pair(S_OK, 17));
    EXPECT_EQ(AsLong(reference(VT_I2, &negative)), std::make_pair(S_OK, -3));
    EXPECT_EQ(AsLong(reference(VT_UI1, &high)), std::make_pair(S_OK, 200));
    EXPECT_EQ(AsLong(reference(VT_R8, &real)), std::make_pair(S_OK, 2));
    EXPECT_EQ(AsLong(reference(VT_BSTR, &text)), std::make_pair(S_OK, 12));
    EXPECT_EQ(AsLong(reference(VT_I4, nullptr)).first, DISP_E_BADVARTYPE);
    SysFreeString(text);
}

// Tests that DispGetParam counts positions from the first declared argument,
// which DISPPARAMS keeps last, and that named arguments are found by DISPID.
TEST(VariantCoercion, DispGetParamTakesDeclaredPositions)
{
    std::vector<VARIANT> args = {Text(u"second"), Long(5)}; // declared: (5, "second")
    DISPPARAMS params{args.data(), nullptr, 2, 0};
    VARIANT out;
    EXPECT_EQ(DispGetParam(&params, 0, VT_I4, &out, nullptr), S_OK);
    EXPECT_EQ(out.lVal, 5);
    ASSERT_EQ(DispGetParam(&params, 1, VT_BSTR, &out, nullptr), S_OK);
    EXPECT_EQ(BstrView(out.bstrVal), u"second");
    VariantClear(&out);
    EXPECT_EQ(DispGetParam(&params, 2, VT_I4, &out, nullptr), DISP_E_PARAMNOTFOUND);

    UINT argErr = 99;
    EXPECT_EQ(DispGetParam(&params, 1, VT_I4, &out, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);

    DISPID named = 1;
    std::vector<VARIANT> namedArgs = {Long(9), Long(3)}; // rgvarg[0] named 1, rgvarg[1] positional 0
    DISPPARAMS withNames{namedArgs.data(), &named, 2, 1};
    EXPECT_EQ(DispGetParam(&withNames, 1, VT_I4, &out, nullptr), S_OK);
    EXPECT_EQ(out.lVal, 9);
    EXPECT_EQ(DispGetParam(&withNames, 0, VT_I4, &out, nullptr), S_OK);
    EXPECT_EQ(out.lVal, 3);
    for (VARIANT& arg : args) {
        VariantClear(&arg);
    }
}
