#include "toolkit/drawing/Accessible.h"

#include "platform/base/Modules.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A control that overrides nothing but says who it is and what it hands out.
class PlainControl : public CCmdTarget, public CJQWAccessible {
public:
    CCmdTarget* GetAccessibleOwner() override { return this; }
    long References() const { return m_dwRef; }

protected:
    IUnknown* GetInterface(REFIID iid) override
    {
        return iid == IID_IAccessible || iid == IID_IUnknown ? GetAccessibleInterface() : nullptr;
    }
};

std::vector<DWORD> g_events;
void RecordEvent(DWORD event, HWND, LONG, LONG) { g_events.push_back(event); }

} // namespace

TEST(Accessible, ChildIdsFromVariants)
{
    VARIANT empty, i2, i4, text, nullRef;
    i2.vt = VT_I2;
    i2.iVal = -7;
    i4.vt = VT_I4;
    i4.lVal = 12;
    text.vt = VT_BSTR;
    nullRef.vt = VT_I4 | VT_BYREF;
    nullRef.plVal = nullptr;
    LONG five = 5;
    VARIANT inner, middle, outer;
    inner.vt = VT_I4 | VT_BYREF;
    inner.plVal = &five;
    middle.vt = VT_VARIANT | VT_BYREF;
    middle.pvarVal = &inner;
    outer.vt = VT_VARIANT | VT_BYREF;
    outer.pvarVal = &middle;
    VARIANT loop;
    loop.vt = VT_VARIANT | VT_BYREF;
    loop.pvarVal = &loop;
    EXPECT_EQ(VariantToChildId(&empty), 0);
    EXPECT_EQ(VariantToChildId(&i2), -7);
    EXPECT_EQ(VariantToChildId(&i4), 12);
    EXPECT_EQ(VariantToChildId(&text), -1);
    EXPECT_EQ(VariantToChildId(&nullRef), -1);
    EXPECT_EQ(VariantToChildId(&outer), 5);
    EXPECT_EQ(VariantToChildId(&loop), -1);
    EXPECT_EQ(VariantToChildId(nullptr), -1);
}

TEST(Accessible, BaseAnswersAndSharedReferenceCount)
{
    auto* control = new PlainControl();
    IAccessible* accessible = control->GetAccessibleInterface();
    VARIANT self, result;
    BSTR name = nullptr;
    EXPECT_EQ(accessible->get_accFocus(&result), S_FALSE);
    EXPECT_EQ(accessible->get_accSelection(&result), S_FALSE);
    EXPECT_EQ(accessible->get_accName(self, &name), E_NOTIMPL);
    EXPECT_EQ(accessible->accDoDefaultAction(self), E_NOTIMPL);
    EXPECT_EQ(accessible->GetTypeInfoCount(nullptr), E_NOTIMPL);

    EXPECT_EQ(accessible->AddRef(), 2u);
    EXPECT_EQ(control->References(), 2);
    void* found = nullptr;
    EXPECT_EQ(accessible->QueryInterface(IID_IAccessible, &found), S_OK);
    EXPECT_EQ(found, accessible);
    EXPECT_EQ(control->References(), 3);
    EXPECT_EQ(accessible->QueryInterface(IID_IDispatch, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    accessible->Release();
    accessible->Release();
    accessible->Release(); // the last one deletes the control
}

TEST(Accessible, PlatformFunctionsAreOptional)
{
    g_events.clear();
    {
        PlainControl control;
        control.AccessibleNotifyWinEvent(0x8005, nullptr, 0, 0); // no user32 module: dropped
        EXPECT_EQ(control.CallLresultFromObject(IID_IAccessible, 0, nullptr), LRESULT(E_FAIL));
        void* object = nullptr;
        EXPECT_EQ(control.CallAccessibleObjectFromWindow(nullptr, 0, IID_IAccessible, &object), E_FAIL);
    }
    platform::modules::Register(u"user32.dll", { { "NotifyWinEvent", platform::modules::Export(&RecordEvent) } });
    {
        PlainControl control;
        control.AccessibleNotifyWinEvent(0x8005, nullptr, 0, 0);
        control.AccessibleNotifyWinEvent(0x8006, nullptr, 0, 0);
    }
    platform::modules::Reset();
    EXPECT_EQ(g_events, (std::vector<DWORD> { 0x8005, 0x8006 }));
}
