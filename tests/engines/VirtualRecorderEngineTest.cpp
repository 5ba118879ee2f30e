#include "com/RecorderEngine.h"
#include "tests/discserver/TessalySession.h"
#include "tests/engines/RecordingSink.h"

#include <gtest/gtest.h>

// The virtual engine as any client meets it: created through COM by its
// class identifier, connected through its connection point, configured by
// its configuration file.

namespace {

class VirtualRecorderEngineTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitialize(nullptr); }

    void TearDown() override
    {
        if (point != nullptr) {
            point->Unadvise(cookie);
            point->Release();
        }
        if (sut != nullptr) {
            sut->Release();
        }
        EXPECT_EQ(sink.References(), 1u);
        CoUninitialize();
    }

    // Creates the engine with this configuration and connects the sink.
    void Create(const std::string& config)
    {
        TessalySession::ConfigureVirtualEngine(config);
        IUnknown* object = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_RecorderEngine, nullptr, 7, IID_IUnknown, reinterpret_cast<void**>(&object)),
                  S_OK);
        EXPECT_EQ(OleRun(object), S_OK);
        ASSERT_EQ(object->QueryInterface(IID_IRecorderEngine, reinterpret_cast<void**>(&sut)), S_OK);
        object->Release();
        IConnectionPointContainer* container = nullptr;
        ASSERT_EQ(sut->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(IID_IRecorderEngineEvents, &point), S_OK);
        container->Release();
        ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    }

    std::vector<RecordingSink::Event> EventsWithId(DISPID dispid)
    {
        std::vector<RecordingSink::Event> found;
        for (const auto& event : sink.Events()) {
            if (event.dispid == dispid) {
                found.push_back(event);
            }
        }
        return found;
    }

    BSTR Path(const std::string& path) { return AllocBstr(std::u16string(path.begin(), path.end())); }

    HRESULT Add(const std::string& path)
    {
        BSTR text = Path(path);
        const HRESULT hr = sut->AddItem(text);
        SysFreeString(text);
        return hr;
    }

    RecordingSink sink;
    IRecorderEngine* sut = nullptr;
    IConnectionPoint* point = nullptr;
    DWORD cookie = 0;
};

} // namespace

TEST_F(VirtualRecorderEngineTest, OffersItsInterfacesAndAnswersUnusedSlotsWithNotImplemented)
{
    Create("recorder " + TessalySession::ScratchPath("disc") + " Model\n");
    for (const IID* iid : {&IID_IDispatch, &IID_IConnectionPointContainer, &IID_ISupportErrorInfo}) {
        IUnknown* other = nullptr;
        EXPECT_EQ(sut->QueryInterface(*iid, reinterpret_cast<void**>(&other)), S_OK);
        other->Release();
    }
    EXPECT_EQ(sut->Reserved8(), E_NOTIMPL);
    EXPECT_EQ(sut->Reserved45(), E_NOTIMPL);
    IConnectionPoint* none = nullptr;
    IConnectionPointContainer* container = nullptr;
    sut->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &none), CONNECT_E_NOCONNECTION);
    container->Release();
}

TEST_F(VirtualRecorderEngineTest, InitializeWithoutRecordersRaisesTheErrorEventBeforeReturning)
{
    Create("");
    EXPECT_EQ(sut->Initialize(), S_OK);
    const auto errors = EventsWithId(DISPID_RecorderError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].numbers, std::vector<LONG>{1});
    EXPECT_EQ(errors[0].text, u"no DVD+R or DVD+RW recorder found");
    SHORT count = -1;
    EXPECT_EQ(sut->GetRecorderCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(sut->EjectTray(), E_FAIL);
}

TEST_F(VirtualRecorderEngineTest, SelectsRecordersByNumberAndReportsTheirModels)
{
    Create("recorder " + TessalySession::ScratchPath("a") + " First model\nrecorder " +
           TessalySession::ScratchPath("b") + "\n");
    BSTR model = nullptr;
    EXPECT_EQ(sut->GetRecorderModel(&model), S_OK);
    EXPECT_EQ(BstrView(model), u"First model");
    SysFreeString(model);
    EXPECT_EQ(sut->SelectRecorder(1), S_OK);
    model = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(sut->GetRecorderModel(&model), S_OK);
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(sut->SelectRecorder(2), E_INVALIDARG);
    EXPECT_EQ(sut->SelectRecorder(-1), E_INVALIDARG);
}

// Tests that a failure leaves error information the caller can read.
TEST_F(VirtualRecorderEngineTest, FailuresLeaveErrorInformation)
{
    Create("recorder " + TessalySession::ScratchPath("disc") + " M\nstatus EjectTray 0x80041234\n");
    EXPECT_EQ(Add(TessalySession::ScratchPath("missing")), E_INVALIDARG);
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(sut->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IRecorderEngine), S_OK);
    support->Release();
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_EQ(BstrView(description).substr(0, 21), u"not a readable file: ");
    SysFreeString(description);
    info->Release();
    EXPECT_EQ(sut->EjectTray(), static_cast<HRESULT>(0x80041234u));
    EXPECT_EQ(Add(""), E_INVALIDARG);
}

TEST_F(VirtualRecorderEngineTest, TraysRaiseTheirEventsAndAnOpenTrayRefusesWork)
{
    const std::string disc = TessalySession::ScratchPath("disc");
    Create("recorder " + disc + " M\n");
    EXPECT_EQ(sut->EjectTray(), S_OK);
    EXPECT_EQ(sut->EjectTray(), S_OK); // already open: no second event
    EXPECT_EQ(sut->FormatDisc(1), S_FALSE);
    EXPECT_EQ(sut->CloseTray(), S_OK);
    const auto trays = EventsWithId(DISPID_RecorderTrayChanged);
    ASSERT_EQ(trays.size(), 2u);
    EXPECT_EQ(trays[0].numbers, (std::vector<LONG>{0, 1}));
    EXPECT_EQ(trays[1].numbers, (std::vector<LONG>{0, 0}));
    const auto errors = EventsWithId(DISPID_RecorderError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].text, u"the tray is open");
}

// Tests that a refusal raises its error event without the engine's lock held,
// so that a sink may call the engine back from inside the event.
TEST_F(VirtualRecorderEngineTest, ASinkMayCallTheEngineBackFromARefusalsErrorEvent)
{
    Create("recorder " + TessalySession::ScratchPath("disc") + " M\n");
    LONG operation = -1;
    sink.onEvent = [&](DISPID dispid) {
        if (dispid == DISPID_RecorderError) {
            sut->GetCurrentOperation(&operation);
        }
    };
    EXPECT_EQ(sut->BeginWriting(), S_FALSE); // nothing added
    EXPECT_EQ(operation, RecorderIdle);
    sink.onEvent = nullptr;
}

// Tests a write of two items and a second one: each write appends a session
// to the disc from a thread of the engine's own, progress climbs in steps to
// 100, and a finalised disc takes no more sessions until it is formatted.
TEST_F(VirtualRecorderEngineTest, WritesSessionsFromItsOwnThreadUntilTheDiscIsFinalised)
{
    const std::string disc = TessalySession::ScratchPath("disc");
    const std::string item = TessalySession::ScratchPath("item");
    TessalySession::WriteFile(item, "abc");
    Create("recorder " + disc + " M\nprogress-step 50\nprogress-interval 1\n");
    ASSERT_EQ(Add(item), S_OK);
    EXPECT_EQ(sut->SetWriteOption(0), S_OK);
    ASSERT_EQ(sut->BeginWriting(), S_OK);
    ASSERT_TRUE(sink.WaitFor(DISPID_RecorderOperationDone));
    LONG operation = -1;
    EXPECT_EQ(sut->GetCurrentOperation(&operation), S_OK);
    EXPECT_EQ(operation, RecorderIdle);
    const auto progress = EventsWithId(DISPID_RecorderProgress);
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_EQ(progress[0].numbers, std::vector<LONG>{0});
    EXPECT_EQ(progress[2].numbers, std::vector<LONG>{100});
    EXPECT_NE(progress[0].thread, std::this_thread::get_id());
    EXPECT_EQ(EventsWithId(DISPID_RecorderOperationDone)[0].numbers, (std::vector<LONG>{RecorderWritingData, S_OK}));

    const std::string session = "SESSION\nITEM 3 " + item + "\nabc\nEND\n";
    EXPECT_EQ(TessalySession::ReadFile(disc), session);
    EXPECT_EQ(sut->BeginWriting(), S_FALSE); // the items went with the first write
    ASSERT_EQ(Add(item), S_OK);
    EXPECT_EQ(sut->SetWriteOption(1), S_OK);
    EXPECT_EQ(sut->SetWriteOption(2), E_INVALIDARG);
    ASSERT_EQ(sut->BeginWriting(), S_OK);
    EXPECT_EQ(sut->StopWriting(), S_OK); // waits for the end, whichever comes first
    if (TessalySession::ReadFile(disc) != session) {
        EXPECT_EQ(TessalySession::ReadFile(disc), session + session + "FINALISED\n");
        ASSERT_EQ(Add(item), S_OK);
        ASSERT_EQ(sut->BeginWriting(), S_OK);
        EXPECT_EQ(sut->StopWriting(), S_OK);
        EXPECT_EQ(EventsWithId(DISPID_RecorderError).back().numbers, std::vector<LONG>{4});
        EXPECT_EQ(TessalySession::ReadFile(disc), session + session + "FINALISED\n");
    }
    EXPECT_EQ(sut->FormatDisc(1), S_OK);
    EXPECT_EQ(TessalySession::ReadFile(disc), "");
}

TEST_F(VirtualRecorderEngineTest, StoppedWriteLeavesTheDiscAsItWas)
{
    const std::string disc = TessalySession::ScratchPath("disc");
    const std::string item = TessalySession::ScratchPath("item");
    TessalySession::WriteFile(disc, "earlier");
    TessalySession::WriteFile(item, std::string(200000, 'x'));
    Create("recorder " + disc + " M\nprogress-step 1\nprogress-interval 100\n");
    ASSERT_EQ(Add(item), S_OK);
    ASSERT_EQ(sut->BeginWriting(), S_OK);
    ASSERT_TRUE(sink.WaitFor(DISPID_RecorderProgress));
    LONG operation = -1;
    EXPECT_EQ(sut->GetCurrentOperation(&operation), S_OK);
    EXPECT_EQ(operation, RecorderWritingData);
    EXPECT_EQ(sut->EjectTray(), S_FALSE); // locked while writing
    EXPECT_EQ(sut->StopWriting(), S_OK);
    EXPECT_EQ(TessalySession::ReadFile(disc), "earlier");
    EXPECT_EQ(EventsWithId(DISPID_RecorderOperationDone).back().numbers,
              (std::vector<LONG>{RecorderWritingData, E_ABORT}));
}

TEST_F(VirtualRecorderEngineTest, ConfiguredStatusesDelaysAndCountsReplaceTheOperation)
{
    Create("recorder " + TessalySession::ScratchPath("disc") +
           " M\nstatus FormatDisc S_FALSE\nstatus GetCurrentOperation E_FAIL\ncount 3 -1\n"
           "delay CloseTray 1\nbad line here\nstatus Nothing E_FAIL\n");
    EXPECT_EQ(sut->Initialize(), S_OK);
    const auto errors = EventsWithId(DISPID_RecorderError);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].text, u"configuration line 6 not understood: bad line here");
    EXPECT_EQ(errors[0].numbers, std::vector<LONG>{2});
    EXPECT_EQ(sut->FormatDisc(1), S_FALSE);
    LONG operation = 77;
    EXPECT_EQ(sut->GetCurrentOperation(&operation), E_FAIL);
    EXPECT_EQ(operation, 77);
    SHORT count = 0;
    sut->GetRecorderCount(&count);
    EXPECT_EQ(count, 3);
    sut->GetRecorderCount(&count);
    EXPECT_EQ(count, -1);
    sut->GetRecorderCount(&count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(sut->CloseTray(), S_OK);
    EXPECT_EQ(sut->Shutdown(), S_OK);
    EXPECT_EQ(sut->CloseTray(), E_UNEXPECTED);
}

TEST_F(VirtualRecorderEngineTest, RefusedCreationGivesNoObject)
{
    TessalySession::ConfigureVirtualEngine("status Create E_ACCESSDENIED\n");
    IUnknown* object = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(CoCreateInstance(CLSID_RecorderEngine, nullptr, 7, IID_IUnknown, reinterpret_cast<void**>(&object)),
              E_ACCESSDENIED);
    EXPECT_EQ(object, nullptr);
}
