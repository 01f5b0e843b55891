#include "EngineTestSupport.h"

#include "engine/ImageFileWalk.h"
#include "engine/ResultCodes.h"

#include <chrono>
#include <future>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace enginetest;

namespace {

template <typename T> RefPtr<T> adopt(T* object) { return RefPtr<T>::Adopt(object); }

TEST(ImageTypeFromExtension, MapsExtensionsWithoutCase)
{
    const struct {
        const char16_t* path;
        int type;
    } cases[] = {
        { u"C:\\pics\\A.JPEG", IMAGE_TYPE_JPEG },
        { u"/photos/beach.JPG", IMAGE_TYPE_JPEG },
        { u"a.jpeg", IMAGE_TYPE_JPEG },
        { u"x.PnG", IMAGE_TYPE_PNG },
        { u"x.gif", IMAGE_TYPE_GIF },
        { u"x.Bmp", IMAGE_TYPE_BMP },
        { u"photo.tif", IMAGE_TYPE_UNKNOWN },
        { u"noextension", IMAGE_TYPE_UNKNOWN },
        { u"/folder.jpg/noextension", IMAGE_TYPE_UNKNOWN },
        { u"archive.jpg.zip", IMAGE_TYPE_UNKNOWN },
        { u"trailingdot.", IMAGE_TYPE_UNKNOWN },
        { u".png", IMAGE_TYPE_PNG },
        { u"", IMAGE_TYPE_UNKNOWN },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageTypeFromExtension(c.path), c.type) << N(c.path);
}

TEST(FileTarget, DisplayNameIsTheFileNamePart)
{
    const struct {
        const char16_t* path;
        const char16_t* name;
    } cases[] = {
        { u"/home/u/pics/beach.jpg", u"beach.jpg" },
        { u"C:\\photos\\beach.JPG", u"beach.JPG" },
        { u"C:beach.jpg", u"beach.jpg" },
        { u"relative/a:b.png", u"a:b.png" },
        { u"plain.gif", u"plain.gif" },
        { u"/folder/", u"" },
    };
    for (const auto& c : cases) {
        auto target = adopt(new CImageFileTarget(c.path));
        EXPECT_EQ(target->GetDisplayName(), c.name) << N(c.path);
    }
}

TEST(FileTarget, NewTargetsKnowTheirKindAndTypes)
{
    auto target = adopt(new CImageFileTarget(u"/x/shot.PNG"));
    EXPECT_EQ(target->GetTargetType(), TARGET_TYPE_IMAGE_FILE);
    EXPECT_TRUE(target->IsValid());
    EXPECT_EQ(target->GetIndex(), 0);
    EXPECT_EQ(target->GetOriginalType(), IMAGE_TYPE_PNG);
    EXPECT_EQ(target->GetSourcePath(), u"/x/shot.PNG");
    EXPECT_EQ(target->GetOutputPath(), u"");
    EXPECT_EQ(target->GetOutputOrSourcePath(), u"/x/shot.PNG");

    std::vector<int> types { 99 };
    EXPECT_EQ(target->GetSupportedTypes(types), 5);
    EXPECT_EQ(types, (std::vector<int> { 99, IMAGE_TYPE_BMP, IMAGE_TYPE_JPEG, IMAGE_TYPE_PNG, IMAGE_TYPE_GIF }));
    EXPECT_EQ(target->ReferenceCount(), 1);
}

class ImageTargetTest : public ScratchTest { };

TEST_F(ImageTargetTest, SaveAsRefusesWhatItCannotWrite)
{
    WriteImage(Root() / "src.png", 10, 10, RGB(1, 2, 3), IMAGE_FORMAT_PNG);
    auto target = adopt(new CImageFileTarget(U(Root() / "src.png")));
    const struct {
        int type;
        fs::path path;
        int code;
    } cases[] = {
        { IMAGE_TYPE_ORIGINAL, Root() / "o.png", RESULT_INVALID_FILE_TYPE },
        { IMAGE_TYPE_UNKNOWN, Root() / "u.png", RESULT_INVALID_FILE_TYPE },
        { 6, Root() / "six.png", RESULT_INVALID_FILE_TYPE },
        { -1, Root() / "neg.png", RESULT_INVALID_FILE_TYPE },
        { IMAGE_TYPE_PNG, Root() / "missing" / "folder.png", RESULT_FILE_SAVE_FAILED },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(target->SaveAs(U(c.path), c.type, 0xFFFF), c.code) << c.path;
        EXPECT_FALSE(fs::exists(c.path)) << c.path;
        EXPECT_EQ(target->GetOutputPath(), u"");
    }
    EXPECT_FALSE(fs::exists(Root() / "missing"));
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("ERROR: Failed to save image " + (Root() / "missing" / "folder.png").string(), 0), 0u)
        << lines[0];
}

TEST_F(ImageTargetTest, SaveAsWithoutAnImageIsAnInternalError)
{
    WriteText(Root() / "fake.jpg", "not an image");
    for (const fs::path& source : { Root() / "fake.jpg", Root() / "absent.jpg" }) {
        auto target = adopt(new CImageFileTarget(U(source)));
        EXPECT_EQ(target->GetBitmap(), nullptr);
        EXPECT_EQ(target->SaveAs(U(Root() / "out.jpg"), IMAGE_TYPE_JPEG, 0), RESULT_INTERNAL_ERROR);
        EXPECT_FALSE(fs::exists(Root() / "out.jpg"));
    }
}

TEST_F(ImageTargetTest, EveryTypeIsWrittenAndReadsBackWithItsPixels)
{
    auto bitmap = MakeBitmap(6, 4, RGB(0, 0, 255), 32);
    SetPixel(*bitmap, 0, 0, RGB(255, 0, 0));
    const struct {
        int type;
        const char* name;
        int format;
        int bitsBack;
        bool exact;
    } cases[] = {
        { IMAGE_TYPE_PNG, "o.png", IMAGE_FORMAT_PNG, 32, true },
        { IMAGE_TYPE_BMP, "o.bmp", IMAGE_FORMAT_BMP, 32, true },
        { IMAGE_TYPE_GIF, "o.gif", IMAGE_FORMAT_GIF, 24, true },
        { IMAGE_TYPE_JPEG, "o.jpg", IMAGE_FORMAT_JPEG, 24, false },
    };
    auto target = adopt(new CImageFileTarget(u"/nowhere/src.png"));
    target->SetBitmap(std::move(bitmap));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path out = Root() / c.name;
        ASSERT_EQ(target->SaveAs(U(out), c.type, 0xFFFF), 0);
        EXPECT_EQ(target->GetOutputPath(), U(out));
        EXPECT_EQ(target->GetOutputOrSourcePath(), U(out));
        ImageFileInfo info;
        ASSERT_EQ(GetImageFileInfo(out.string(), &info), IMAGING_SUCCESS);
        EXPECT_EQ(info.format, c.format);
        ImageBitmap back;
        ASSERT_EQ(LoadImageFile(out.string(), &back), IMAGING_SUCCESS);
        EXPECT_EQ(back.width, 6);
        EXPECT_EQ(back.height, 4);
        EXPECT_EQ(back.bitsPerPixel, c.bitsBack);
        COLORREF corner = PixelAt(back, 0, 0);
        COLORREF rest = PixelAt(back, 5, 3);
        if (c.exact) {
            EXPECT_EQ(corner, RGB(255, 0, 0));
            EXPECT_EQ(rest, RGB(0, 0, 255));
        } else {
            EXPECT_GT(GetBValue(rest), 200);
            EXPECT_LT(GetRValue(rest), 60);
        }
    }
    // The output path is the last successful save; a failed one leaves it.
    EXPECT_EQ(target->SaveAs(U(Root() / "no" / "x.png"), IMAGE_TYPE_PNG, 0), RESULT_FILE_SAVE_FAILED);
    EXPECT_EQ(target->GetOutputPath(), U(Root() / "o.jpg"));
}

// Saves as the current user, or, for root (who writes into read-only folders and files alike), in
// a child process that first gives up its privileges to the unprivileged user "nobody". The
// save's result code; a negative one when the child could not be set up.
static int SaveAsUnprivileged(CImageFileTarget* target, const fs::path& path)
{
    if (::geteuid() != 0)
        return target->SaveAs(U(path), IMAGE_TYPE_PNG, 0);
    int channel[2];
    if (::pipe(channel) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const passwd* nobody = ::getpwnam("nobody");
        int code = -2;
        if (::setgroups(0, nullptr) == 0 && ::setgid(nobody ? nobody->pw_gid : 65534) == 0
            && ::setuid(nobody ? nobody->pw_uid : 65534) == 0 && ::geteuid() != 0)
            code = target->SaveAs(U(path), IMAGE_TYPE_PNG, 0);
        [[maybe_unused]] ssize_t written = ::write(channel[1], &code, sizeof code);
        ::_exit(0);
    }
    ::close(channel[1]);
    int code = -3;
    if (child < 0 || ::read(channel[0], &code, sizeof code) != ssize_t(sizeof code))
        code = -3;
    ::close(channel[0]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    return code;
}

TEST_F(ImageTargetTest, AFailedSaveLeavesTheExistingFileAlone)
{
    WriteText(Root() / "keep.png", "old content");
    // Readable and searchable by everyone, writable by no one.
    fs::permissions(Root(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(Root() / "keep.png", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto target = adopt(new CImageFileTarget(u"/nowhere/src.png"));
    target->SetBitmap(MakeBitmap(3, 3, RGB(1, 1, 1)));
    const int code = SaveAsUnprivileged(target.get(), Root() / "keep.png");
    fs::permissions(Root(), fs::perms::owner_all);
    EXPECT_EQ(code, RESULT_FILE_SAVE_FAILED);
    EXPECT_EQ(ReadFile(Root() / "keep.png"), "old content");
    EXPECT_EQ(target->GetOutputPath(), u"");
}

TEST_F(ImageTargetTest, AFolderInTheWayIsASaveFailureAndStaysAsItWas)
{
    fs::create_directories(Root() / "taken.png" / "inside");
    auto target = adopt(new CImageFileTarget(u"/nowhere/src.png"));
    target->SetBitmap(MakeBitmap(3, 3, RGB(1, 1, 1)));
    EXPECT_EQ(target->SaveAs(U(Root() / "taken.png"), IMAGE_TYPE_PNG, 0), RESULT_FILE_SAVE_FAILED);
    EXPECT_TRUE(fs::is_directory(Root() / "taken.png" / "inside"));
    EXPECT_EQ(target->GetOutputPath(), u"");
    // Nothing left behind but the folder itself.
    EXPECT_EQ(std::distance(fs::directory_iterator(Root()), fs::directory_iterator()), 2); // the log and the folder
}

TEST_F(ImageTargetTest, TheBitmapLoadsOnceAndAFailedLoadIsTriedAgain)
{
    fs::path source = Root() / "late.png";
    auto target = adopt(new CImageFileTarget(U(source)));
    EXPECT_EQ(target->GetBitmap(), nullptr);
    EXPECT_EQ(target->GetBitmap(), nullptr);
    WriteImage(source, 7, 5, RGB(3, 4, 5), IMAGE_FORMAT_PNG);
    ImageBitmap* first = target->GetBitmap();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width, 7);
    fs::remove(source);
    EXPECT_EQ(target->GetBitmap(), first);
    target->SetBitmap(MakeBitmap(2, 2, RGB(0, 0, 0)));
    EXPECT_EQ(target->GetBitmap()->width, 2);
    std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("ERROR: Failed to load image " + source.string() + ": ", 0), 0u) << lines[0];
}

class WalkImageFilesTest : public ScratchTest {
protected:
    static int collect(const std::u16string& path, const ImageFileInfo& info, void* context)
    {
        auto* found = static_cast<std::vector<std::pair<std::string, int>>*>(context);
        found->emplace_back(fs::path(N(path)).filename().string(), info.format);
        return 1;
    }
    static int refuse(const std::u16string&, const ImageFileInfo&, void*) { return 0; }
};

TEST_F(WalkImageFilesTest, CountsImagesAndRejectsOtherFilesInEveryFolder)
{
    fs::path top = Root() / "photos";
    fs::create_directories(top / "sub");
    WriteImage(top / "one.jpg", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_JPEG);
    WriteImage(top / "Two.jpg", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_JPEG);
    WriteText(top / "notes.txt", "hello");
    WriteImage(top / "sub" / "three.png", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_PNG);

    std::vector<std::pair<std::string, int>> found;
    int rejects = 0;
    EXPECT_EQ(WalkImageFiles(U(top), rejects, collect, &found), 3);
    EXPECT_EQ(rejects, 1);
    // Listing order: names without case, folders walked where they stand.
    EXPECT_EQ(found, (std::vector<std::pair<std::string, int>> {
                         { "one.jpg", IMAGE_FORMAT_JPEG }, { "three.png", IMAGE_FORMAT_PNG }, { "Two.jpg", IMAGE_FORMAT_JPEG } }));

    // The counter is added to, not reset; a callback that refuses counts nothing and rejects nothing.
    EXPECT_EQ(WalkImageFiles(U(top), rejects, refuse, nullptr), 0);
    EXPECT_EQ(rejects, 2);
    // A trailing separator, a single file, a missing path.
    rejects = 0;
    EXPECT_EQ(WalkImageFiles(U(top) + u"/", rejects, nullptr, nullptr), 3);
    EXPECT_EQ(WalkImageFiles(U(top / "one.jpg"), rejects, nullptr, nullptr), 1);
    EXPECT_EQ(WalkImageFiles(U(top / "notes.txt"), rejects, nullptr, nullptr), 0);
    EXPECT_EQ(WalkImageFiles(U(Root() / "absent"), rejects, nullptr, nullptr), 0);
    EXPECT_EQ(rejects, 3);
}

TEST_F(WalkImageFilesTest, RejectsNamedPipesWithoutWaitingOnThem)
{
    fs::path top = Root() / "photos";
    fs::create_directories(top);
    WriteImage(top / "a.jpg", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_JPEG);
    ASSERT_EQ(::mkfifo((top / "b.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((top / "pipe").c_str(), 0600), 0);

    int rejects = 0;
    std::future<int> walk = std::async(std::launch::async, [&] { return WalkImageFiles(U(top), rejects, nullptr, nullptr); });
    if (walk.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        // Let the hung walk finish before failing.
        for (const char* name : {"b.jpg", "pipe"})
            for (int i = 0; i < 2; ++i)
                if (int writer = ::open((top / name).c_str(), O_WRONLY | O_NONBLOCK); writer >= 0)
                    ::close(writer);
        ADD_FAILURE() << "the walk waited on a named pipe";
    }
    EXPECT_EQ(walk.get(), 1);
    EXPECT_EQ(rejects, 2);
}

TEST_F(WalkImageFilesTest, NeverFollowsLinksToFolders)
{
    fs::path top = Root() / "photos";
    fs::create_directories(top / "sub");
    fs::create_directories(Root() / "elsewhere");
    WriteImage(top / "sub" / "a.gif", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_GIF);
    WriteImage(Root() / "elsewhere" / "b.bmp", 4, 4, RGB(1, 1, 1), IMAGE_FORMAT_BMP);
    fs::create_directory_symlink(top, top / "sub" / "loop");
    fs::create_directory_symlink(Root() / "elsewhere", top / "away");
    fs::create_symlink(Root() / "elsewhere" / "b.bmp", top / "linked.bmp");
    WriteText(top / "disguised.png", "plain text in a png name");

    std::vector<std::pair<std::string, int>> found;
    int rejects = 0;
    EXPECT_EQ(WalkImageFiles(U(top), rejects, collect, &found), 2);
    EXPECT_EQ(rejects, 1);
    EXPECT_EQ(found, (std::vector<std::pair<std::string, int>> {
                         { "linked.bmp", IMAGE_FORMAT_BMP }, { "a.gif", IMAGE_FORMAT_GIF } }));
}

}
