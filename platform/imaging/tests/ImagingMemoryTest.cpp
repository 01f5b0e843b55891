// The working-memory budget: tiny files and absurd settings fail with a clear error before they
// allocate, instead of taking gigabytes; ordinary pictures are unaffected.

#include "platform/imaging/ImagingMemory.h"

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <cstdlib>

using namespace imaging_test;

namespace {

class ImagingMemoryTest : public TempFolderTest {
protected:
    void TearDown() override
    {
        SetImagingMemoryBudget(0);
        TempFolderTest::TearDown();
    }

    // A JPEG of `width` x `height` with texture, saved by us (baseline), optionally made
    // progressive by jpegtran.
    std::string Jpeg(const std::string& name, int width, int height, bool progressive)
    {
        ImageBitmap b = MakeQuadrants(width, height);
        for (int y = 0; y < height; y += 2)
            for (int x = 0; x < width; x += 3)
                SetPixel(b, x, y, {(x * 7 + y) % 256, (x * y) % 256, (y * 13) % 256});
        EXPECT_EQ(SaveImageFile(PathOf("baseline.jpg"), &b, IMAGE_FORMAT_JPEG, 24, 2), IMAGING_SUCCESS);
        if (!progressive)
            return PathOf("baseline.jpg");
        const std::string command = "jpegtran -progressive -outfile '" + PathOf(name) + "' '" + PathOf("baseline.jpg") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return PathOf(name);
    }
};

std::vector<unsigned char> Gif(int screenWidth, int screenHeight)
{
    // Header, screen with a 2-colour table, one 1 x 1 image whose LZW data is a clear code, index 1
    // and the end code.
    std::vector<unsigned char> b = {'G', 'I', 'F', '8', '9', 'a',
                                    static_cast<unsigned char>(screenWidth), static_cast<unsigned char>(screenWidth >> 8),
                                    static_cast<unsigned char>(screenHeight), static_cast<unsigned char>(screenHeight >> 8),
                                    0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                                    ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, ';'};
    return b;
}

}  // namespace

TEST_F(ImagingMemoryTest, OneRequestOverTheBudgetFailsClearly)
{
    SetImagingMemoryBudget(16 << 20);
    EXPECT_EQ(GetImagingMemoryBudget(), 16 << 20);
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, 3000, 3000, 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT),
              IMAGING_ERROR_TOO_LARGE);
    EXPECT_NE(GetImagingErrorDetail().find("over the imaging budget of 16 MB"), std::string::npos)
        << GetImagingErrorDetail();
    EXPECT_FALSE(b.IsAllocated());
    ASSERT_EQ(CreateBitmap(&b, 1000, 1000, 24, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT), IMAGING_SUCCESS);

    // A blur whose bands would hold far more than the picture; a mild one works.
    ImageBitmap copy;
    ASSERT_EQ(CopyBitmap(&copy, &b), IMAGING_SUCCESS);
    EXPECT_EQ(GaussianBlurBitmap(&b, 1000), IMAGING_ERROR_TOO_LARGE);
    EXPECT_EQ(GaussianBlurBitmap(&copy, 6), IMAGING_SUCCESS);

    SetImagingMemoryBudget(0);
    EXPECT_EQ(GetImagingMemoryBudget(), IMAGING_DEFAULT_MEMORY_BUDGET);
}

TEST_F(ImagingMemoryTest, AbsurdResizeTargetsFailBeforeBuildingFilters)
{
    ImageBitmap b = MakeQuadrants(40, 30);
    for (auto [w, h] : {std::pair{1, 200'000'000}, std::pair{200'000'000, 1}}) {
        EXPECT_EQ(ResizeBitmap(&b, w, h, 0), IMAGING_ERROR_TOO_LARGE) << w << " x " << h;
        EXPECT_EQ(b.width, 40);
    }
    EXPECT_EQ(ResizeBitmap(&b, 400, 3, 0), IMAGING_SUCCESS);
}

TEST_F(ImagingMemoryTest, AGifScreenFarLargerThanItsImageGivesTheImage)
{
    const std::vector<unsigned char> tiny = Gif(14000, 14000);
    ASSERT_LT(tiny.size(), 40u);
    WriteBytes("screen.gif", tiny);
    ImageBitmap b;
    ASSERT_EQ(LoadImageFile(PathOf("screen.gif"), &b), IMAGING_SUCCESS) << GetImagingErrorDetail();
    EXPECT_EQ(b.width, 1);
    EXPECT_EQ(b.height, 1);
    EXPECT_EQ(PixelAt(b, 0, 0), (Rgb{255, 255, 255}));

    // A screen of ordinary size keeps its background around the image.
    WriteBytes("small.gif", Gif(30, 20));
    ASSERT_EQ(LoadImageFile(PathOf("small.gif"), &b), IMAGING_SUCCESS) << GetImagingErrorDetail();
    EXPECT_EQ(b.width, 30);
    EXPECT_EQ(b.height, 20);
}

TEST_F(ImagingMemoryTest, ProgressiveJpegCoefficientsCountAgainstTheBudget)
{
    if (!ToolAvailable("jpegtran"))
        GTEST_FAIL() << "jpegtran is missing: run scripts/setup";
    const std::string progressive = Jpeg("progressive.jpg", 2000, 1500, true);
    const std::string baseline = PathOf("baseline.jpg");
    // The pixels take 9 MB; a progressive file keeps every coefficient as well.
    SetImagingMemoryBudget(12 << 20);
    ImageBitmap b;
    EXPECT_EQ(LoadImageFile(baseline, &b), IMAGING_SUCCESS) << GetImagingErrorDetail();
    EXPECT_EQ(LoadImageFile(progressive, &b), IMAGING_ERROR_TOO_LARGE);
    EXPECT_NE(GetImagingErrorDetail().find("imaging budget"), std::string::npos) << GetImagingErrorDetail();
    SetImagingMemoryBudget(0);
    ASSERT_EQ(LoadImageFile(progressive, &b), IMAGING_SUCCESS) << GetImagingErrorDetail();
    EXPECT_EQ(b.width, 2000);
}

TEST_F(ImagingMemoryTest, ProgressiveCoefficientsAreCountedAtAnyScale)
{
    if (!ToolAvailable("jpegtran"))
        GTEST_FAIL() << "jpegtran is missing: run scripts/setup";
    const std::string progressive = Jpeg("progressive.jpg", 2000, 1500, true);
    ImageFileInfo info;
    ASSERT_EQ(GetImageFileInfo(PathOf("baseline.jpg"), &info), IMAGING_SUCCESS);
    EXPECT_EQ(info.decoderBytes, 0);
    ASSERT_EQ(GetImageFileInfo(progressive, &info), IMAGING_SUCCESS);
    // 4:2:0 in 16 x 16 MCUs, 125 x 94 of them: four luma blocks and two chroma blocks each, 128
    // bytes a block.
    EXPECT_EQ(info.decoderBytes, 125LL * 94 * 6 * 128);
    EXPECT_EQ(MemoryForLoad(info, 250, 0), info.fileSize + 500LL * 375 * 3 + info.decoderBytes);
}

TEST_F(ImagingMemoryTest, RepeatedScansAreCut)
{
    if (!ToolAvailable("jpegtran"))
        GTEST_FAIL() << "jpegtran is missing: run scripts/setup";
    std::vector<unsigned char> bytes;
    {
        Jpeg("p.jpg", 64, 48, true);
        bytes = ReadBytes("p.jpg");
    }
    // The last scan (from its SOS marker to EOI) repeated: each copy decodes again.
    std::size_t lastScan = std::string::npos;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            lastScan = i;
    ASSERT_NE(lastScan, std::string::npos);
    const std::vector<unsigned char> scan(bytes.begin() + std::ptrdiff_t(lastScan), bytes.end() - 2);
    std::vector<unsigned char> repeated(bytes.begin(), bytes.end() - 2);
    for (int i = 0; i < 300; ++i)
        repeated.insert(repeated.end(), scan.begin(), scan.end());
    repeated.insert(repeated.end(), {0xFF, 0xD9});
    WriteBytes("repeated.jpg", repeated);

    ImageBitmap b;
    ASSERT_EQ(LoadImageFile(PathOf("p.jpg"), &b), IMAGING_SUCCESS) << GetImagingErrorDetail();
    EXPECT_EQ(LoadImageFile(PathOf("repeated.jpg"), &b), IMAGING_ERROR_CORRUPT_FILE);
    EXPECT_NE(GetImagingErrorDetail().find("scans"), std::string::npos) << GetImagingErrorDetail();
}

TEST_F(ImagingMemoryTest, LoadsAreCountedByWhatTheyTake)
{
    ImageFileInfo jpeg;
    jpeg.format = IMAGE_FORMAT_JPEG;
    jpeg.width = 4000;
    jpeg.height = 3000;
    jpeg.bitsPerPixel = 24;
    jpeg.fileSize = 2'000'000;
    EXPECT_EQ(MemoryForLoad(jpeg), 2'000'000 + 36'000'000);
    // Decoded at a quarter for a 1000-wide target: a scale that keeps twice the target.
    EXPECT_EQ(MemoryForLoad(jpeg, 1000, 0), 2'000'000 + 3'000'000LL * 3);
    ImageFileInfo unknown = jpeg;
    unknown.width = unknown.height = 0;
    EXPECT_EQ(MemoryForLoad(unknown), GetImagingMemoryBudget());
}
