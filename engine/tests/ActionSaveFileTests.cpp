#include "EngineTestSupport.h"

#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/ResultCodes.h"
#include "engine/actions/ActionSaveFile.h"
#include "platform/base/Time.h"

#include <ctime>

using namespace enginetest;

namespace {

template <typename T> RefPtr<T> adopt(T* object) { return RefPtr<T>::Adopt(object); }

SYSTEMTIME at(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME t;
    t.wYear = WORD(year);
    t.wMonth = WORD(month);
    t.wDay = WORD(day);
    t.wHour = WORD(hour);
    t.wMinute = WORD(minute);
    t.wSecond = WORD(second);
    return t;
}

TEST(FileNameTemplate, TokensAreReplacedInOnePass)
{
    const SYSTEMTIME t = at(2026, 12, 8, 22, 7, 5);
    const struct {
        const char16_t* nameTemplate;
        const char16_t* original;
        int index;
        const char16_t* expected;
    } cases[] = {
        { u"%o_%m-%d-%y at %h-%i", u"beach", 0, u"beach_12-8-2026 at 22-7" },
        { u"%b-%o", u"beach", 3, u"3-beach" },
        { u"%o", u"shot%d", 1, u"shot%d" },
        { u"%o-%d", u"50%off%b", 2, u"50%off%b-8" },
        { u"%s%s", u"x", 0, u"55" },
        { u"100%", u"x", 0, u"100%" },
        { u"%%d", u"x", 0, u"%8" },
        { u"%q%o", u"x", 0, u"%qx" },
        { u"%O", u"x", 0, u"%O" },
        { u"", u"x", 0, u"" },
        { u"plain", u"x", 0, u"plain" },
        { u"%o%o", u"ü€😀", 0, u"ü€😀ü€😀" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandFileNameTemplate(c.nameTemplate, c.original, &t, c.index), c.expected) << N(c.nameTemplate);
    EXPECT_EQ(ExpandFileNameTemplate(u"%d.%m.%y %h:%i:%s #%b", u"x", nullptr, 4), u"-1.-1.-1 -1:-1:-1 #4");
}

// The clock is fixed at 22:07:05 on 8 December 2026, local time UTC.
class SaveFileTest : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        const char* tz = std::getenv("TZ");
        m_hadTz = tz != nullptr;
        if (tz)
            m_oldTz = tz;
        setenv("TZ", "UTC", 1);
        tzset();
        SYSTEMTIME now = at(2026, 12, 8, 22, 7, 5);
        FILETIME ticks;
        ASSERT_TRUE(SystemTimeToFileTime(&now, &ticks));
        ULONGLONG value = (ULONGLONG(ticks.dwHighDateTime) << 32) | ticks.dwLowDateTime;
        SetSystemTimeSourceForTesting([value] { return value; });
        fs::create_directories(Root() / "photos");
        fs::create_directories(Root() / "out");
    }
    void TearDown() override
    {
        SetSystemTimeSourceForTesting(nullptr);
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        ScratchTest::TearDown();
    }

    std::vector<std::string> FilesIn(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    bool m_hadTz = false;
    std::string m_oldTz;
};

TEST_F(SaveFileTest, DefaultsNameTheFileAfterTheSourceAndTheTimeAndKeepItsType)
{
    WriteImage(Root() / "photos" / "beach.JPG", 16, 12, RGB(0, 0, 200), IMAGE_FORMAT_JPEG);
    auto save = adopt(CreateActionByType(u"builtin__savefile"));
    std::vector<std::u16string> names, values;
    save->EnumerateProperties(names, values);
    EXPECT_EQ(names, (std::vector<std::u16string> { u"compressionquality", u"destfiletype", u"destfolder", u"filenametemplate" }));
    EXPECT_EQ(values, (std::vector<std::u16string> { u"65535", u"1", u"", u"%o_%m-%d-%y at %h-%i" }));

    auto target = adopt(new CImageFileTarget(U(Root() / "photos" / "beach.JPG")));
    EXPECT_EQ(save->Process(target.get()), 0);
    fs::path expected = Root() / "photos" / "beach_12-8-2026 at 22-7.jpg";
    EXPECT_EQ(target->GetOutputPath(), U(expected));
    ImageFileInfo info;
    ASSERT_EQ(GetImageFileInfo(expected.string(), &info), IMAGING_SUCCESS);
    EXPECT_EQ(info.format, IMAGE_FORMAT_JPEG);
    EXPECT_EQ(FilesIn(Root() / "photos"), (std::vector<std::string> { "beach.JPG", "beach_12-8-2026 at 22-7.jpg" }));
}

TEST_F(SaveFileTest, NamesFollowTheTypeTheFolderAndTheBatchIndex)
{
    WriteImage(Root() / "photos" / "beach.jpg", 16, 12, RGB(0, 0, 200), IMAGE_FORMAT_JPEG);
    WriteImage(Root() / "photos" / "shot%d.png", 16, 12, RGB(0, 0, 200), IMAGE_FORMAT_PNG);
    const struct {
        const char* source;
        const char16_t* nameTemplate;
        int type;
        bool folderWithSeparator;
        int index;
        const char* expected;
        int format;
    } cases[] = {
        { "beach.jpg", u"%b-%o", IMAGE_TYPE_PNG, false, 3, "3-beach.png", IMAGE_FORMAT_PNG },
        { "beach.jpg", u"%b-%o", IMAGE_TYPE_GIF, true, 0, "0-beach.gif", IMAGE_FORMAT_GIF },
        { "beach.jpg", u"%o", IMAGE_TYPE_BMP, false, 1, "beach.bmp", IMAGE_FORMAT_BMP },
        { "shot%d.png", u"%o", IMAGE_TYPE_ORIGINAL, false, 1, "shot%d.png", IMAGE_FORMAT_PNG },
        { "beach.jpg", u"", IMAGE_TYPE_JPEG, false, 1, ".jpg", IMAGE_FORMAT_JPEG },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        auto save = adopt(CreateActionByType(u"builtin__savefile"));
        std::u16string folder = U(Root() / "out");
        if (c.folderWithSeparator)
            folder += u"/";
        save->SetPropertyString(u"destfolder", folder);
        save->SetPropertyString(u"filenametemplate", c.nameTemplate);
        save->SetPropertyInt(u"destfiletype", c.type);
        auto target = adopt(new CImageFileTarget(U(Root() / "photos" / c.source)));
        target->SetIndex(c.index);
        ASSERT_EQ(save->Process(target.get()), 0);
        fs::path expected = Root() / "out" / c.expected;
        EXPECT_EQ(target->GetOutputPath(), U(expected));
        ImageFileInfo info;
        ASSERT_EQ(GetImageFileInfo(expected.string(), &info), IMAGING_SUCCESS);
        EXPECT_EQ(info.format, c.format);
    }
}

TEST_F(SaveFileTest, WhatCannotBeSavedIsReportedAndNothingIsWritten)
{
    WriteImage(Root() / "photos" / "scan.tif", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    WriteText(Root() / "photos" / "broken.png", "not a picture");
    WriteImage(Root() / "photos" / "fine.png", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    const struct {
        const char* source;
        int type;
        const char16_t* folder;
        int code;
    } cases[] = {
        { "scan.tif", IMAGE_TYPE_ORIGINAL, u"", RESULT_INVALID_FILE },
        { "fine.png", 9, u"", RESULT_INVALID_FILE_TYPE },
        { "broken.png", IMAGE_TYPE_PNG, u"", RESULT_INTERNAL_ERROR },
        { "fine.png", IMAGE_TYPE_PNG, u"/missing/folder", RESULT_FILE_SAVE_FAILED },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        auto save = adopt(CreateActionByType(u"builtin__savefile"));
        save->SetPropertyInt(u"destfiletype", c.type);
        save->SetPropertyString(u"filenametemplate", u"out-%o");
        if (*c.folder)
            save->SetPropertyString(u"destfolder", U(Root()) + c.folder);
        auto target = adopt(new CImageFileTarget(U(Root() / "photos" / c.source)));
        EXPECT_EQ(save->Process(target.get()), c.code);
        EXPECT_EQ(target->GetOutputPath(), u"");
    }
    EXPECT_EQ(FilesIn(Root() / "photos"), (std::vector<std::string> { "broken.png", "fine.png", "scan.tif" }));

    class OtherTarget : public CActionTarget {
    public:
        int GetTargetType() const override { return TARGET_TYPE_IMAGE_FILE; }
        int SaveAs(std::u16string_view, int, int) override { return 0; }
        std::u16string GetDisplayName() const override { return u"other"; }
        bool IsValidTarget() const override { return true; }
    };
    auto other = adopt(new OtherTarget);
    EXPECT_EQ(adopt(CreateActionByType(u"builtin__savefile"))->Process(other.get()), RESULT_ACTION_NOT_COMPATIBLE);
}

TEST_F(SaveFileTest, APreviewBuildsTheNameButWritesNothing)
{
    WriteImage(Root() / "photos" / "beach.jpg", 8, 8, RGB(1, 1, 1), IMAGE_FORMAT_JPEG);
    auto stack = adopt(new CActionStack);
    auto save = adopt(CreateActionByType(u"builtin__savefile"));
    stack->InsertAction(save.get(), -1);
    auto target = adopt(new CImageFileTarget(U(Root() / "photos" / "beach.jpg")));
    EXPECT_EQ(stack->RunInProcess(true, nullptr, target.get()), 0);
    EXPECT_EQ(FilesIn(Root() / "photos"), std::vector<std::string> { "beach.jpg" });
    EXPECT_EQ(target->GetOutputPath(), u"");
    EXPECT_EQ(stack->RunInProcess(false, nullptr, target.get()), 0);
    EXPECT_EQ(FilesIn(Root() / "photos").size(), 2u);
}

// The template "%o" with the original type writes over the source itself: the new picture
// replaces it whole.
TEST_F(SaveFileTest, ReplacingTheSourceWritesTheNewPicture)
{
    WriteImage(Root() / "photos" / "self.png", 40, 20, RGB(200, 0, 0), IMAGE_FORMAT_PNG);
    auto stack = adopt(new CActionStack);
    auto resize = adopt(CreateActionByType(u"builtin__resizeimage"));
    resize->SetPropertyInt(u"width", 10);
    auto save = adopt(CreateActionByType(u"builtin__savefile"));
    save->SetPropertyString(u"filenametemplate", u"%o");
    stack->InsertAction(resize.get(), -1);
    stack->InsertAction(save.get(), -1);
    auto target = adopt(new CImageFileTarget(U(Root() / "photos" / "self.png")));
    EXPECT_EQ(stack->RunInProcess(false, nullptr, target.get()), 0);
    EXPECT_EQ(target->GetOutputPath(), target->GetSourcePath());
    ImageBitmap back;
    ASSERT_EQ(LoadImageFile((Root() / "photos" / "self.png").string(), &back), IMAGING_SUCCESS);
    EXPECT_EQ(back.width, 10);
    EXPECT_EQ(back.height, 5);
    EXPECT_EQ(FilesIn(Root() / "photos"), std::vector<std::string> { "self.png" });
}

TEST_F(SaveFileTest, ASourceWithoutAFolderIsSavedBesideIt)
{
    WriteImage(Root() / "photos" / "here.png", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_PNG);
    fs::path previous = fs::current_path();
    fs::current_path(Root() / "photos");
    auto save = adopt(CreateActionByType(u"builtin__savefile"));
    save->SetPropertyString(u"filenametemplate", u"%o-copy");
    auto target = adopt(new CImageFileTarget(u"here.png"));
    int code = save->Process(target.get());
    fs::current_path(previous);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(target->GetOutputPath(), u"here-copy.png");
    EXPECT_TRUE(fs::exists(Root() / "photos" / "here-copy.png"));
}

}
