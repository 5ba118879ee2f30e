#include "discserver/RecorderEventSink.h"
#include "tests/discserver/StdoutCapture.h"

#include <gtest/gtest.h>

#include <thread>
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

VARIANT Text(std::u16string_view text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = AllocBstr(text);
    return v;
}

VARIANT NullText()
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    return v;
}

class RecorderEventSinkTest : public ::testing::Test {
protected:
    void SetUp() override { sut->AddRef(); }
    void TearDown() override
    {
        EXPECT_EQ(sut->Release(), 0u);
        for (VARIANT& arg : args) {
            VariantClear(&arg);
        }
    }

    // Raises an event with the arguments in declared order.
    HRESULT Raise(DISPID dispid, std::vector<VARIANT> declared)
    {
        for (VARIANT& arg : args) {
            VariantClear(&arg);
        }
        args.assign(declared.rbegin(), declared.rend());
        DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        return sut->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }

    LONG flag = 0;
    RecorderEventSink* sut = new RecorderEventSink(&flag);
    std::vector<VARIANT> args;
};

} // namespace

TEST_F(RecorderEventSinkTest, AnswersForItsEventInterfaceIDispatchAndIUnknownOnly)
{
    for (const IID* iid : {&IID_IRecorderEngineEvents, &IID_IDispatch, &IID_IUnknown}) {
        void* object = nullptr;
        EXPECT_EQ(sut->QueryInterface(*iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IDispatch*>(sut));
        EXPECT_EQ(sut->Release(), 1u); // the query's own reference
    }
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(sut->QueryInterface(IID_IConnectionPoint, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(sut->QueryInterface(IID_IRecorderEngine, &object), E_NOINTERFACE);
}

TEST_F(RecorderEventSinkTest, ReferenceCountIsExactUnderConcurrentUse)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < 20000; ++i) {
                sut->AddRef();
                sut->Release();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(sut->AddRef(), 2u);
    EXPECT_EQ(sut->Release(), 1u);
}

TEST_F(RecorderEventSinkTest, TypeInformationIsNotOfferedAndOutArgumentsStayUntouched)
{
    UINT count = 77;
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x77);
    DISPID dispid = 77;
    LPOLESTR name = nullptr;
    EXPECT_EQ(sut->GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(sut->GetTypeInfo(0, 0, &info), E_NOTIMPL);
    EXPECT_EQ(sut->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), E_NOTIMPL);
    EXPECT_EQ(count, 77u);
    EXPECT_EQ(info, reinterpret_cast<ITypeInfo*>(0x77));
    EXPECT_EQ(dispid, 77);
}

// Tests that progress reports carry no line end, so the second follows the
// first directly and overwrites it on a console.
TEST_F(RecorderEventSinkTest, ProgressWritesCarriageReturnNumberAndComma)
{
    StdoutCapture output;
    EXPECT_EQ(Raise(DISPID_RecorderProgress, {Long(40)}), S_OK);
    EXPECT_EQ(Raise(DISPID_RecorderProgress, {Text(u"41")}), S_OK); // coerced like Automation
    EXPECT_EQ(output.Text(), "\rProgress: 40,\rProgress: 41,");
    EXPECT_EQ(flag, 0);
}

TEST_F(RecorderEventSinkTest, ProgressWithoutANumberWritesNothing)
{
    StdoutCapture output;
    EXPECT_EQ(Raise(DISPID_RecorderProgress, {}), E_NOTIMPL);
    EXPECT_EQ(Raise(DISPID_RecorderProgress, {Text(u"many")}), E_NOTIMPL);
    EXPECT_EQ(sut->Invoke(DISPID_RecorderProgress, IID_NULL, 0, 0, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(output.Text(), "");
}

TEST_F(RecorderEventSinkTest, ErrorSetsTheFlagAndWritesCodeTextAndLineEnd)
{
    StdoutCapture output;
    EXPECT_EQ(Raise(DISPID_RecorderError, {Long(5), Text(u"disc full")}), S_OK);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Raise(DISPID_RecorderError, {Long(-2), NullText()}), S_OK);
    EXPECT_EQ(Raise(DISPID_RecorderError, {Long(6), Text(std::u16string_view(u"cut\0here", 8))}), S_OK);
    EXPECT_EQ(output.Text(), "Error: 5,disc full\nError: -2,\nError: 6,cut\n");
}

TEST_F(RecorderEventSinkTest, ErrorWithAMissingOrUnreadableArgumentChangesNothing)
{
    StdoutCapture output;
    EXPECT_EQ(Raise(DISPID_RecorderError, {Long(5)}), E_NOTIMPL);
    EXPECT_EQ(Raise(DISPID_RecorderError, {Text(u"five"), Text(u"text")}), E_NOTIMPL);
    EXPECT_EQ(output.Text(), "");
    EXPECT_EQ(flag, 0);
}

TEST_F(RecorderEventSinkTest, OnlyEventsOneThreeAndFourAreKnown)
{
    StdoutCapture output;
    EXPECT_EQ(Raise(DISPID_RecorderTrayChanged, {}), S_OK);
    EXPECT_EQ(Raise(DISPID_RecorderOperationDone, {Long(2), Long(0)}), E_NOTIMPL);
    EXPECT_EQ(Raise(0, {Long(1)}), E_NOTIMPL);
    EXPECT_EQ(Raise(99, {Long(1)}), E_NOTIMPL);
    EXPECT_EQ(output.Text(), "");
}
