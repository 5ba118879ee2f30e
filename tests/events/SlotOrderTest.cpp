// Other modules of the product call the framework's classes through their
// virtual slots, compiled against headers of their own. These tests call
// through such a view of the slots and check that each lands where it must.
#include "TestObjects.h"

#include <vector>

// The views have external linkage: a view the compiler could see all of
// would let it resolve the calls statically instead of through the slots.

// The slot order of a dispatcher as a module built elsewhere declares it.
class DispatcherSlots {
public:
    virtual ~DispatcherSlots() = 0;                                                  // 0
    virtual void ExportObject() = 0;                                                 // 1
    virtual CommonObject* CastIfCommonObject() = 0;                                  // 2
    virtual void SetCOName(OvString name) = 0;                                       // 3
    virtual OvString GetCOName() = 0;                                                // 4
    virtual void* GetAdditionalData(const char* key, long* size) = 0;                // 5
    virtual void* SetAdditionalData(const char* key, const void* bytes, long n) = 0; // 6
    virtual void* SetAdditionalData(const char* key, const char* text) = 0;          // 7
    virtual void* SetAdditionalData(const char* key, int value) = 0;                 // 8
    virtual bool ClearAdditionalData(const char* key) = 0;                           // 9
    virtual long SetNotifyID(long id) = 0;                                           // 10
    virtual long GetNotifyID() = 0;                                                  // 11
    virtual bool IsObjectType(int type) = 0;                                         // 12
    virtual bool HandleEvent(COEvent* event) = 0;                                    // 13
    virtual bool HandleEventWithHooks(COEvent* event) = 0;                           // 14
    virtual bool OnIdle(unsigned long time) = 0;                                     // 15
    virtual bool OnKilled() = 0;                                                     // 16
    virtual bool Notify(unsigned int code, short x, short y) = 0;                    // 17
    virtual bool Notify(unsigned int code, void* pointer) = 0;                       // 18
    virtual bool Notify(unsigned int code, long value) = 0;                          // 19
    virtual bool Notify(COEvent* event) = 0;                                         // 20
    virtual CommonObjectBase* GetNext(int* position) = 0;                            // 21
    virtual long GetNthID(int index) = 0;                                            // 22
    virtual int GetCount() = 0;                                                      // 23
    virtual long AddReceiver(long id) = 0;                                           // 24
    virtual bool RemoveReceiver(long id) = 0;                                        // 25
    virtual bool ExistsReceiver(long id) = 0;                                        // 26
    virtual void RemoveAll() = 0;                                                    // 27
};

class HookSlots {
public:
    virtual ~HookSlots() = 0;                                               // 0
    virtual bool Init(ICommonObject* object) = 0;                           // 1
    virtual bool HandleEvent(CommonObjectBase* object, COEvent* event) = 0; // 2
    virtual bool IsObjectType(const char* typeName) = 0;                    // 3
};

namespace {

std::vector<int> slotLog;

// Overrides every slot and logs which one ran.
class DispatcherProbe : public CODispatcher {
public:
    ~DispatcherProbe() override { slotLog.push_back(0); }
    void ExportObject() override { slotLog.push_back(1); }
    CommonObject* CastIfCommonObject() override { return slotLog.push_back(2), nullptr; }
    void SetCOName(OvString name) override
    {
        slotLog.push_back(3);
        CODispatcher::SetCOName(name);
    }
    OvString GetCOName() override { return slotLog.push_back(4), CODispatcher::GetCOName(); }
    void* GetAdditionalData(const char*, long*) override { return slotLog.push_back(5), nullptr; }
    CommonObjectBase* SetAdditionalData(const char*, const void*, long) override { return slotLog.push_back(6), this; }
    CommonObjectBase* SetAdditionalData(const char*, const char*) override { return slotLog.push_back(7), this; }
    CommonObjectBase* SetAdditionalData(const char*, int) override { return slotLog.push_back(8), this; }
    bool ClearAdditionalData(const char*) override { return slotLog.push_back(9), true; }
    long SetNotifyID(long) override { return slotLog.push_back(10), 0; }
    long GetNotifyID() override { return slotLog.push_back(11), 0; }
    bool IsObjectType(int) override { return slotLog.push_back(12), true; }
    bool HandleEvent(COEvent*) override { return slotLog.push_back(13), true; }

protected:
    bool HandleEventWithHooks(COEvent*) override { return slotLog.push_back(14), true; }
    bool OnIdle(unsigned long) override { return slotLog.push_back(15), true; }
    bool OnKilled() override { return slotLog.push_back(16), true; }
    bool Notify(unsigned int, short, short) override { return slotLog.push_back(17), true; }
    bool Notify(unsigned int, void*) override { return slotLog.push_back(18), true; }
    bool Notify(unsigned int, long) override { return slotLog.push_back(19), true; }
    bool Notify(COEvent*) override { return slotLog.push_back(20), true; }

public:
    CommonObjectBase* GetNext(int*) override { return slotLog.push_back(21), nullptr; }
    long GetNthID(int) override { return slotLog.push_back(22), 0; }
    int GetCount() override { return slotLog.push_back(23), 0; }
    long AddReceiver(long) override { return slotLog.push_back(24), 0; }
    bool RemoveReceiver(long) override { return slotLog.push_back(25), true; }
    bool ExistsReceiver(long) override { return slotLog.push_back(26), true; }
    void RemoveAll() override { slotLog.push_back(27); }
};

class HookProbe : public COHook {
public:
    ~HookProbe() override { slotLog.push_back(0); }
    bool Init(ICommonObject*) override { return slotLog.push_back(1), true; }
    bool HandleEvent(CommonObjectBase*, COEvent*) override { return slotLog.push_back(2), true; }
    bool IsObjectType(const char*) override { return slotLog.push_back(3), true; }
};

using SlotOrder = EventFramework;

TEST_F(SlotOrder, DispatcherSlotsLandInDocumentedOrder)
{
    slotLog.clear();
    auto* view = reinterpret_cast<DispatcherSlots*>(static_cast<CommonObjectBase*>(new DispatcherProbe));
    COEvent event{};
    int position = 0;
    view->ExportObject();
    view->CastIfCommonObject();
    view->SetCOName(OvString("x"));
    view->GetCOName();
    view->GetAdditionalData("k", nullptr);
    view->SetAdditionalData("k", "v", 1L);
    view->SetAdditionalData("k", "v");
    view->SetAdditionalData("k", 1);
    view->ClearAdditionalData("k");
    view->SetNotifyID(0);
    view->GetNotifyID();
    view->IsObjectType(0);
    view->HandleEvent(&event);
    view->HandleEventWithHooks(&event);
    view->OnIdle(0);
    view->OnKilled();
    view->Notify(0u, static_cast<short>(0), static_cast<short>(0));
    view->Notify(0u, static_cast<void*>(nullptr));
    view->Notify(0u, 0L);
    view->Notify(&event);
    view->GetNext(&position);
    view->GetNthID(0);
    view->GetCount();
    view->AddReceiver(0);
    view->RemoveReceiver(0);
    view->ExistsReceiver(0);
    view->RemoveAll();
    delete view;

    std::vector<int> expected;
    for (int slot = 1; slot <= 27; ++slot) {
        expected.push_back(slot);
    }
    expected.push_back(0);
    EXPECT_EQ(slotLog, expected);
}

TEST_F(SlotOrder, HookSlotsLandInDocumentedOrder)
{
    slotLog.clear();
    auto* view = reinterpret_cast<HookSlots*>(static_cast<COHook*>(new HookProbe));
    view->Init(nullptr);
    view->HandleEvent(nullptr, nullptr);
    view->IsObjectType("x");
    delete view;
    EXPECT_EQ(slotLog, (std::vector<int>{1, 2, 3, 0}));
}

} // namespace
