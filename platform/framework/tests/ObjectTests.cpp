#include "platform/framework/CmdTarget.h"

#include <gtest/gtest.h>

namespace {

class CShape : public CObject {
    DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CCircle : public CShape {
    DECLARE_DYNCREATE(CCircle)
public:
    int radius = 3;
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

class CTracked : public CCmdTarget {
public:
    explicit CTracked(bool* released) : released(released) { }
    void OnFinalRelease() override { *released = true; }
    bool* released;
};

class CDocumentTarget : public CCmdTarget {
    DECLARE_MESSAGE_MAP()
public:
    int opened = 0;
    UINT lastRange = 0;
    bool claimEx = false;
    void OnOpen() { ++opened; }
    void OnZoom(UINT id) { lastRange = id; }
    BOOL OnMaybe(UINT) { return claimEx; }
    void OnUpdateOpen(CCmdUI* ui) { ui->Enable(FALSE); }
    void OnUpdatePassOn(CCmdUI* ui) { ui->ContinueRouting(); }
};

class CDerivedTarget : public CDocumentTarget {
    DECLARE_MESSAGE_MAP()
public:
    int derivedOpened = 0;
    void OnOpenDerived() { ++derivedOpened; }
};

}

BEGIN_MESSAGE_MAP(CDocumentTarget, CCmdTarget)
    ON_COMMAND(100, &CDocumentTarget::OnOpen)
    ON_COMMAND_RANGE(200, 209, &CDocumentTarget::OnZoom)
    ON_COMMAND_EX(300, &CDocumentTarget::OnMaybe)
    ON_UPDATE_COMMAND_UI(100, &CDocumentTarget::OnUpdateOpen)
    ON_UPDATE_COMMAND_UI(400, &CDocumentTarget::OnUpdatePassOn)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDerivedTarget, CDocumentTarget)
    ON_COMMAND(100, &CDerivedTarget::OnOpenDerived)
END_MESSAGE_MAP()

TEST(RuntimeClass, KindsNamesAndCreation)
{
    CCircle circle;
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(circle.IsKindOf(RUNTIME_CLASS(CObject)));
    CShape shape;
    EXPECT_FALSE(shape.IsKindOf(RUNTIME_CLASS(CCircle)));
    EXPECT_STREQ(circle.GetRuntimeClass()->m_lpszClassName, "CCircle");
    EXPECT_FALSE(circle.IsSerializable());

    EXPECT_EQ(CRuntimeClass::FromName("CCircle"), RUNTIME_CLASS(CCircle));
    EXPECT_EQ(FindRuntimeClassByName("CCmdTarget"), RUNTIME_CLASS(CCmdTarget));
    EXPECT_EQ(CRuntimeClass::FromName("ccircle"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);

    CObject* made = RUNTIME_CLASS(CCircle)->CreateObject();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(CCircle));
    delete made;
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr); // not dynamically creatable
}

TEST(CmdTarget, ReferenceCountCallsFinalReleaseOnceAtZero)
{
    bool released = false;
    CTracked target(&released);
    EXPECT_EQ(target.InternalAddRef(), 2u);
    EXPECT_EQ(target.InternalRelease(), 1u);
    EXPECT_FALSE(released);
    EXPECT_EQ(target.InternalRelease(), 0u);
    EXPECT_TRUE(released);
    released = false;
    EXPECT_EQ(target.InternalRelease(), 0u); // one release too many does not finalise again
    EXPECT_FALSE(released);

    auto* heap = new CCmdTarget; // the default final release deletes the object
    EXPECT_EQ(heap->InternalRelease(), 0u);
}

TEST(CmdTarget, RoutesCommandsRangesAndUpdates)
{
    CDocumentTarget target;
    EXPECT_TRUE(target.OnCmdMsg(100, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(target.opened, 1);
    EXPECT_TRUE(target.OnCmdMsg(205, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(target.lastRange, 205u);
    EXPECT_FALSE(target.OnCmdMsg(210, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(target.OnCmdMsg(300, CN_COMMAND, nullptr, nullptr)); // _EX handler declined
    target.claimEx = true;
    EXPECT_TRUE(target.OnCmdMsg(300, CN_COMMAND, nullptr, nullptr));

    CCmdUI ui;
    ui.m_nID = 100;
    EXPECT_TRUE(target.OnCmdMsg(100, CN_UPDATE_COMMAND_UI, &ui, nullptr));
    EXPECT_FALSE(ui.m_bEnabled);
    EXPECT_TRUE(ui.m_bEnableChanged);
    EXPECT_FALSE(target.OnCmdMsg(400, CN_UPDATE_COMMAND_UI, &ui, nullptr)); // asked to go on
    EXPECT_FALSE(target.OnCmdMsg(101, CN_UPDATE_COMMAND_UI, &ui, nullptr));
}

TEST(CmdTarget, HandlerQueryDoesNotRunAndDerivedMapWins)
{
    CDerivedTarget target;
    AFX_CMDHANDLERINFO info;
    EXPECT_TRUE(target.OnCmdMsg(100, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &target);
    ASSERT_NE(info.pEntry, nullptr);
    EXPECT_EQ(target.opened + target.derivedOpened, 0);

    EXPECT_TRUE(target.OnCmdMsg(100, CN_COMMAND, nullptr, nullptr));
    EXPECT_EQ(target.derivedOpened, 1);
    EXPECT_EQ(target.opened, 0);
    EXPECT_TRUE(target.OnCmdMsg(201, CN_COMMAND, nullptr, nullptr)); // inherited from the base map
    EXPECT_EQ(target.lastRange, 201u);
}
