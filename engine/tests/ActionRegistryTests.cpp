#include "EngineTestSupport.h"

#include "engine/ActionDialogs.h"
#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ResultCodes.h"
#include "engine/actions/UnbuiltActions.h"
#include "platform/base/Guid.h"
#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <set>

using namespace enginetest;

namespace {

template <typename T> RefPtr<T> adopt(T* object) { return RefPtr<T>::Adopt(object); }

struct Expected {
    const char16_t* key;
    const char16_t* name;
    bool postProcess;
};

const Expected kRegistry[] = {
    { u"builtin_email", u"E-Mail", true },
    { u"builtin_flickr", u"Flickr Upload", true },
    { u"builtin_ftp", u"FTP", true },
    { u"builtin__autocolor", u"AutoColor", false },
    { u"builtin__addborder", u"Border", false },
    { u"builtin__brightenimage", u"Brightness", false },
    { u"builtin__contrastimage", u"Contrast", false },
    { u"builtin__cropimage", u"Crop", false },
    { u"builtin__desaturateimage", u"Desaturate", false },
    { u"builtin__frame", u"Frame", false },
    { u"builtin_imagegallery", u"Image Gallery", true },
    { u"builtin__resizeimage", u"Resize", false },
    { u"builtin__rotateimage", u"Rotate", false },
    { u"builtin__rrframe", u"Rounded Rect Frame", false },
    { u"builtin__sepia", u"Sepia", false },
    { u"builtin__shadow", u"Shadow", false },
    { u"builtin__sharpen", u"Sharpness", false },
    { u"builtin__watermark", u"Watermark", false },
    { u"builtin__savefile", u"Save File", false },
    { u"builtin_zipall", u"Zip", true },
    { u"builtin__flip", u"Flip", false },
};

std::u16string upper(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
    return text;
}

TEST(ActionRegistry, ListsEveryClassInOrderAndCreatesItByKeyWithoutCase)
{
    std::vector<ActionRegistryEntry> registry = GetActionRegistry();
    ASSERT_EQ(registry.size(), std::size(kRegistry));
    std::set<std::u16string> ids;
    for (std::size_t i = 0; i < registry.size(); ++i) {
        const Expected& e = kRegistry[i];
        SCOPED_TRACE(N(e.key));
        EXPECT_EQ(std::u16string(registry[i].typeKey), e.key);
        EXPECT_EQ(LoadStringText(registry[i].nameId), e.name);
        EXPECT_EQ(registry[i].postProcess, e.postProcess);
        for (const std::u16string& key : { std::u16string(e.key), upper(e.key) }) {
            auto action = adopt(CreateActionByType(key));
            ASSERT_TRUE(action);
            EXPECT_EQ(action->GetTypeKey(), e.key);
            EXPECT_EQ(action->GetName(), e.name);
            EXPECT_EQ(action->ReferenceCount(), 1);
            EXPECT_EQ(bool(action->IsPostProcess()), e.postProcess);
            EXPECT_EQ(dynamic_cast<CPostProcessAction*>(action.get()) != nullptr, e.postProcess);
            EXPECT_EQ(dynamic_cast<CActionImage*>(action.get()) != nullptr,
                !e.postProcess && std::u16string(e.key) != u"builtin__savefile");
            // Two underscores for in-process keys, one for post-process keys.
            EXPECT_EQ(std::u16string(e.key).rfind(u"builtin__", 0) == 0, !e.postProcess);
            GUID guid;
            EXPECT_TRUE(GuidFromString(action->GetId(), guid)) << N(action->GetId());
            EXPECT_EQ(action->GetId().size(), 38u);
            ids.insert(action->GetId());
        }
    }
    EXPECT_EQ(ids.size(), 2 * std::size(kRegistry));
    for (const char16_t* key : { u"builtin_flip", u"", u"builtin__flipx", u"test_postprocess" })
        EXPECT_EQ(CreateActionByType(key), nullptr) << N(key);
}

TEST(ActionRegistry, EveryActionHasANameAndADescription)
{
    for (const ActionRegistryEntry& entry : GetActionRegistry()) {
        SCOPED_TRACE(N(entry.typeKey));
        auto action = adopt(CreateActionByType(entry.typeKey));
        ASSERT_TRUE(action);
        EXPECT_FALSE(action->GetName().empty());
        EXPECT_FALSE(action->GetDescription().empty());
    }
}

class UnbuiltActionTest : public ScratchTest { };

TEST_F(UnbuiltActionTest, EveryInProcessActionIsBuilt)
{
    class OtherKind : public CImageFileTarget {
    public:
        int GetTargetType() const override { return 2; }
    };
    auto other = adopt(new OtherKind);
    for (const ActionRegistryEntry& entry : GetActionRegistry()) {
        if (entry.postProcess)
            continue;
        auto action = adopt(CreateActionByType(entry.typeKey));
        ASSERT_TRUE(action);
        EXPECT_EQ(dynamic_cast<CUnbuiltImageAction*>(action.get()), nullptr) << N(entry.typeKey);
        if (std::u16string_view(entry.typeKey) != u"builtin__savefile") {
            EXPECT_EQ(action->Process(other.get()), RESULT_ACTION_NOT_COMPATIBLE) << N(entry.typeKey);
        }
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(UnbuiltActionTest, ClassesNotInThisBuildLoadButFailTheirWorkWithOneLogLine)
{
    // No in-process class is missing any more; the stand-in is made directly.
    auto border = adopt(static_cast<CAction*>(new CUnbuiltImageAction({ u"builtin__addborder", 111, 252 })));
    auto email = adopt(CreateActionByType(u"builtin_email"));
    auto target = adopt(new CImageFileTarget(u"/nowhere/a.png"));
    EXPECT_EQ(border->Process(target.get()), RESULT_ACTION_FAILED);
    EXPECT_EQ(email->Process(target.get()), 0);
    EXPECT_EQ(target->ReferenceCount(), 2);
    auto* post = dynamic_cast<CPostProcessAction*>(email.get());
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(post->PostProcess(), RESULT_ACTION_FAILED);
    post->ClearCollected();
    EXPECT_EQ(target->ReferenceCount(), 1);
    EXPECT_FALSE(border->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "ERROR: Border: Failed to process image: the action builtin__addborder is not part of this build");
    EXPECT_EQ(lines[1], "ERROR: E-Mail: Failed to post-process: the action builtin_email is not part of this build");
    EXPECT_EQ(lines[2], "MESSAGE: Showing properties for Border");
    EXPECT_EQ(lines[3], "MESSAGE: Rejected new properties for Border");
}

TEST_F(UnbuiltActionTest, AnInstalledFactoryReplacesTheStandIn)
{
    std::vector<ActionRegistryEntry> before = GetActionRegistry();
    EXPECT_FALSE(SetActionFactory(u"builtin_nothing", [] { return static_cast<CAction*>(new TestPostProcessAction); }));
    EXPECT_FALSE(SetActionFactory(u"builtin_ftp", nullptr));
    ASSERT_TRUE(SetActionFactory(u"builtin_ftp", [] { return static_cast<CAction*>(new TestPostProcessAction); }));
    auto replaced = adopt(CreateActionByType(u"BUILTIN_FTP"));
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->GetTypeKey(), u"test_postprocess");
    // Put the stand-in back for the other tests.
    ASSERT_TRUE(SetActionFactory(u"builtin_ftp", before[2].factory));
    EXPECT_EQ(adopt(CreateActionByType(u"builtin_ftp"))->GetName(), u"FTP");
}

TEST(PostProcessAction, CollectsOnlyFileTargets)
{
    class OtherTarget : public CActionTarget {
    public:
        int GetTargetType() const override { return 2; }
        int SaveAs(std::u16string_view, int, int) override { return 0; }
        std::u16string GetDisplayName() const override { return u"other"; }
        bool IsValidTarget() const override { return true; }
    };
    auto post = adopt(new TestPostProcessAction);
    auto other = adopt(new OtherTarget);
    EXPECT_EQ(post->Process(other.get()), 0);
    EXPECT_EQ(post->Process(nullptr), 0);
    EXPECT_TRUE(post->GetCollected().empty());
    EXPECT_EQ(other->ReferenceCount(), 1);
}

TEST(PreviousOutputPath, IsTheOutputOfTheActionJustBefore)
{
    class Producing : public TestPostProcessAction {
    public:
        std::u16string GetOutputPath() const override { return u"/out/archive.zip"; }
    };
    auto stack = adopt(new CActionStack);
    auto producing = adopt(new Producing);
    auto next = adopt(new TestPostProcessAction);
    auto last = adopt(new TestPostProcessAction);
    auto alone = adopt(new TestPostProcessAction);
    stack->InsertAction(producing.get(), -1);
    stack->InsertAction(next.get(), -1);
    stack->InsertAction(last.get(), -1);
    EXPECT_EQ(producing->GetPreviousOutputPath(), u"");
    EXPECT_EQ(next->GetPreviousOutputPath(), u"/out/archive.zip");
    EXPECT_EQ(last->GetPreviousOutputPath(), u"");
    EXPECT_EQ(alone->GetPreviousOutputPath(), u"");
    stack->RemoveAction(next.get());
    EXPECT_EQ(next->GetPreviousOutputPath(), u""); // points at a stack that no longer holds it
}

// Dialogs that accept with fixed answers, as the windows would after the user's edits.
class AcceptingDialogs : public ActionPropertyDialogs {
public:
    int RunSaveFileDialog(SaveFileDialogValues& v) override
    {
        seenSave = v;
        v.fileNameTemplate = u"%o";
        v.destinationFolder = u"/tmp/out";
        v.fileType = IMAGE_TYPE_PNG;
        v.quality = 0;
        return IDOK;
    }
    int RunResizeDialog(ResizeDialogValues& v) override
    {
        seenResize = v;
        v.width = 640;
        v.height = 480;
        v.maintainAspect = resizeKeepsAspect;
        v.primaryMetric = 1;
        return IDOK;
    }
    int RunRotateDialog(RotateDialogValues& v) override
    {
        seenRotate = v;
        v.rotation = -90;
        v.backgroundColor = RGB(1, 2, 3);
        return IDOK;
    }
    int RunFlipDialog(FlipDialogValues& v) override
    {
        seenFlip = v;
        v.flipType = 2;
        return IDOK;
    }
    SaveFileDialogValues seenSave;
    ResizeDialogValues seenResize;
    RotateDialogValues seenRotate;
    FlipDialogValues seenFlip;
    BOOL resizeKeepsAspect = TRUE;
};

class PropertyDialogTest : public ScratchTest {
protected:
    void TearDown() override
    {
        SetActionPropertyDialogs(nullptr);
        ScratchTest::TearDown();
    }
    static std::u16string text(CAction& action, const char16_t* name)
    {
        std::u16string value;
        EXPECT_TRUE(action.GetPropertyString(name, value)) << N(name);
        return value;
    }
};

TEST_F(PropertyDialogTest, HeadlessDialogsChangeNothing)
{
    for (const char16_t* key : { u"builtin__resizeimage", u"builtin__rotateimage", u"builtin__flip", u"builtin__savefile" }) {
        auto action = adopt(CreateActionByType(key));
        std::vector<std::u16string> names, before, after;
        action->EnumerateProperties(names, before);
        action->SetDirty(false);
        EXPECT_FALSE(action->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr)) << N(key);
        names.clear();
        action->EnumerateProperties(names, after);
        EXPECT_EQ(before, after);
        EXPECT_FALSE(action->IsDirty());
    }
}

TEST_F(PropertyDialogTest, AcceptedValuesAreStoredAsTheirProperties)
{
    AcceptingDialogs dialogs;
    EXPECT_EQ(SetActionPropertyDialogs(&dialogs), nullptr);

    auto save = adopt(CreateActionByType(u"builtin__savefile"));
    EXPECT_TRUE(save->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_EQ(dialogs.seenSave.fileNameTemplate, u"%o_%m-%d-%y at %h-%i");
    EXPECT_EQ(dialogs.seenSave.quality, 0); // 0xFFFF is shown as 0
    EXPECT_EQ(dialogs.seenSave.fileType, IMAGE_TYPE_ORIGINAL);
    EXPECT_EQ(dialogs.seenSave.offeredTypes, (std::vector<int> { 5, 2, 3, 4 }));
    EXPECT_EQ(text(*save, u"filenametemplate"), u"%o");
    EXPECT_EQ(text(*save, u"destfolder"), u"/tmp/out");
    EXPECT_EQ(text(*save, u"destfiletype"), u"3");
    EXPECT_EQ(text(*save, u"compressionquality"), u"0");

    auto resize = adopt(CreateActionByType(u"builtin__resizeimage"));
    EXPECT_TRUE(resize->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_EQ(dialogs.seenResize.width, 300);
    EXPECT_TRUE(dialogs.seenResize.maintainAspect);
    EXPECT_EQ(dialogs.seenResize.primaryMetric, 0);
    EXPECT_EQ(text(*resize, u"width"), u"640");
    EXPECT_EQ(text(*resize, u"aspectedge"), u"height");
    dialogs.resizeKeepsAspect = FALSE;
    EXPECT_TRUE(resize->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_EQ(dialogs.seenResize.primaryMetric, 1);
    EXPECT_EQ(text(*resize, u"aspectedge"), u"none");
    EXPECT_TRUE(resize->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_FALSE(dialogs.seenResize.maintainAspect);

    auto rotate = adopt(CreateActionByType(u"builtin__rotateimage"));
    EXPECT_TRUE(rotate->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_EQ(dialogs.seenRotate.rotation, 45);
    EXPECT_EQ(dialogs.seenRotate.backgroundColor, 0xFFFFFFu);
    EXPECT_EQ(text(*rotate, u"rotation"), u"-90");
    EXPECT_EQ(text(*rotate, u"bgcolor"), u"197121");

    auto flip = adopt(CreateActionByType(u"builtin__flip"));
    EXPECT_TRUE(flip->EditProperties(TARGET_TYPE_IMAGE_FILE, nullptr));
    EXPECT_EQ(dialogs.seenFlip.flipType, 1);
    EXPECT_EQ(text(*flip, u"fliptype"), u"2");

    std::vector<std::string> lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "MESSAGE: Showing properties for Save File");
    EXPECT_EQ(lines[1], "MESSAGE: Accepted new properties for Save File");
}

}
