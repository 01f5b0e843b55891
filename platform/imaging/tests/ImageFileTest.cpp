#include "platform/imaging/ImageFile.h"

#include "platform/imaging/ImageGeometry.h"
#include "platform/imaging/ImagingThreads.h"
#include "platform/imaging/tests/ImagingTestSupport.h"

#include <sys/stat.h>

using namespace imaging_test;

namespace {

class ImageFileTest : public TempFolderTest {};

const char* FormatName(int format)
{
    switch (format) {
    case IMAGE_FORMAT_JPEG: return "JPEG";
    case IMAGE_FORMAT_PNG: return "PNG";
    case IMAGE_FORMAT_GIF: return "GIF";
    default: return "BMP";
    }
}

// Checks the four quadrant colours away from the borders between them.
void ExpectQuadrants(const ImageBitmap& b, int tolerance, const std::string& what)
{
    const int w = b.width, h = b.height;
    struct Probe { int x, y; Rgb color; } probes[] = {
        {w / 4, h / 4, kRed}, {3 * w / 4, h / 4, kGreen}, {w / 4, 3 * h / 4, kBlue}, {3 * w / 4, 3 * h / 4, kYellow},
        {2, 2, kRed}, {w - 3, h - 3, kYellow}};
    for (const Probe& p : probes)
        EXPECT_LE(MaxDifference(PixelAt(b, p.x, p.y), p.color), tolerance) << what << " at " << p.x << "," << p.y;
}

}  // namespace

TEST_F(ImageFileTest, RoundTripsEveryFormatAndDepth)
{
    struct Case { int format, bits, saveBits, expectBits, tolerance; } cases[] = {
        {IMAGE_FORMAT_PNG, 24, 0, 24, 0},   {IMAGE_FORMAT_PNG, 32, 0, 32, 0},  {IMAGE_FORMAT_PNG, 8, 0, 24, 0},
        {IMAGE_FORMAT_PNG, 24, 8, 24, 0},   {IMAGE_FORMAT_BMP, 24, 0, 24, 0},  {IMAGE_FORMAT_BMP, 32, 0, 32, 0},
        {IMAGE_FORMAT_BMP, 8, 0, 24, 0},    {IMAGE_FORMAT_GIF, 24, 8, 24, 0},  {IMAGE_FORMAT_GIF, 32, 8, 24, 0},
        {IMAGE_FORMAT_JPEG, 24, 24, 24, 6}, {IMAGE_FORMAT_JPEG, 32, 24, 24, 6}, {IMAGE_FORMAT_JPEG, 8, 0, 24, 2},
    };
    for (const Case& c : cases) {
        ImageBitmap original = MakeQuadrants(64, 48, c.bits);
        if (c.bits == 32)
            SetPixel(original, 0, 0, kRed, 200);  // one translucent pixel (opaque enough for GIF)
        const std::string what = std::string(FormatName(c.format)) + " from " + std::to_string(c.bits) + " bits";
        const std::string path = PathOf("out.img");
        ASSERT_EQ(SaveImageFile(path, &original, c.format, c.saveBits, 2), IMAGING_SUCCESS) << what;
        ImageFileInfo info;
        ASSERT_EQ(GetImageFileInfo(path, &info), IMAGING_SUCCESS) << what;
        EXPECT_EQ(info.format, c.format) << what;
        EXPECT_EQ(info.width, 64) << what;
        EXPECT_EQ(info.height, 48) << what;

        ImageBitmap loaded;
        ASSERT_EQ(LoadImageFile(path, &loaded), IMAGING_SUCCESS) << what << ": " << GetImagingErrorDetail();
        ASSERT_EQ(loaded.width, 64);
        ASSERT_EQ(loaded.height, 48);
        EXPECT_EQ(loaded.bitsPerPixel, c.expectBits) << what;
        EXPECT_EQ(loaded.viewPerspective, 1);
        if (c.bits == 8) {
            // Grey levels of the quadrant colours.
            ImageBitmap grey;
            ASSERT_EQ(ChangeBitmapColorResolution(&original, &grey, 8, 0), IMAGING_SUCCESS);
            EXPECT_LE(MaxDifference(PixelAt(loaded, 40, 40), PixelAt(grey, 40, 40)), c.tolerance) << what;
            continue;
        }
        ExpectQuadrants(loaded, c.tolerance, what);
        if (c.expectBits == 32) {
            EXPECT_EQ(AlphaAt(loaded, 0, 0), 200) << what;
        }
    }
}

TEST_F(ImageFileTest, LoadWithOptionsGivesThirtyTwoBitsWithOpaqueAlpha)
{
    ImageBitmap original = MakeQuadrants(16, 16);
    for (int format : {IMAGE_FORMAT_JPEG, IMAGE_FORMAT_PNG, IMAGE_FORMAT_GIF, IMAGE_FORMAT_BMP}) {
        ASSERT_EQ(SaveImageFile(PathOf("part"), &original, format, 0, 2), IMAGING_SUCCESS);
        ImageBitmap loaded;
        ASSERT_EQ(LoadImageFile(PathOf("part"), &loaded, 32, 1, 3), IMAGING_SUCCESS) << FormatName(format);
        EXPECT_EQ(loaded.bitsPerPixel, 32);
        EXPECT_EQ(AlphaAt(loaded, 3, 3), 255);
        ExpectQuadrants(loaded, format == IMAGE_FORMAT_JPEG ? 8 : 0, FormatName(format));
    }
}

TEST_F(ImageFileTest, FormatComesFromContentNotName)
{
    ImageBitmap b = MakeQuadrants(30, 20);
    ASSERT_EQ(SaveImageFile(PathOf("really-a-png.jpg"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS);
    ImageFileInfo info;
    ASSERT_EQ(GetImageFileInfo(PathOf("really-a-png.jpg"), &info), IMAGING_SUCCESS);
    EXPECT_EQ(info.format, IMAGE_FORMAT_PNG);

    WriteBytes("notes.png", {'h', 'e', 'l', 'l', 'o'});
    info = ImageFileInfo{};
    EXPECT_EQ(GetImageFileInfo(PathOf("notes.png"), &info), IMAGING_ERROR_UNKNOWN_FORMAT);
    EXPECT_EQ(info.format, IMAGE_FORMAT_UNKNOWN);
    ImageBitmap loaded;
    EXPECT_EQ(LoadImageFile(PathOf("notes.png"), &loaded), IMAGING_ERROR_UNKNOWN_FORMAT);
    WriteBytes("empty.bmp", {});
    EXPECT_EQ(LoadImageFile(PathOf("empty.bmp"), &loaded), IMAGING_ERROR_UNKNOWN_FORMAT);
    EXPECT_EQ(LoadImageFile(PathOf("missing.png"), &loaded), IMAGING_ERROR_FILE_OPEN);
    EXPECT_EQ(GetImageFileInfo(PathOf("missing.png"), &info), IMAGING_ERROR_FILE_OPEN);
    EXPECT_EQ(LoadImageFile(folder_.string(), &loaded), IMAGING_ERROR_FILE_READ);
    EXPECT_FALSE(loaded.IsAllocated());
}

TEST_F(ImageFileTest, WideAndLongPathsWork)
{
    ImageBitmap b = MakeQuadrants(8, 8);
    const std::u16string wide = folder_.u16string() + u"/\u00fcber-\u65e5\u672c-\U0001F600.png";
    ASSERT_EQ(SaveImageFile(wide, &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS);
    ImageBitmap loaded;
    ASSERT_EQ(LoadImageFile(wide, &loaded), IMAGING_SUCCESS);
    ImageFileInfo info;
    EXPECT_EQ(GetImageFileInfo(wide, &info), IMAGING_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(folder_ / u8"über-日本-😀.png"));

    // Far past the old 260-character limit.
    std::filesystem::path deep = folder_;
    for (int i = 0; i < 8; ++i)
        deep /= std::string(60, char('a' + i));
    std::filesystem::create_directories(deep);
    const std::string longPath = (deep / (std::string(200, 'n') + ".bmp")).string();
    ASSERT_GT(longPath.size(), 700u);
    ASSERT_EQ(SaveImageFile(longPath, &b, IMAGE_FORMAT_BMP, 0, 0), IMAGING_SUCCESS) << GetImagingErrorDetail();
    ASSERT_EQ(LoadImageFile(longPath, &loaded), IMAGING_SUCCESS);
}

TEST_F(ImageFileTest, FailedSaveLeavesTheOldFileAndNoLitter)
{
    WriteBytes("keep.png", {'o', 'l', 'd'});
    ImageBitmap empty;
    EXPECT_EQ(SaveImageFile(PathOf("keep.png"), &empty, IMAGE_FORMAT_PNG, 0, 0), IMAGING_ERROR_NO_BITMAP);
    ImageBitmap b = MakeQuadrants(8, 8);
    EXPECT_EQ(SaveImageFile(PathOf("keep.png"), &b, 99, 0, 0), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(SaveImageFile(PathOf("keep.png"), &b, IMAGE_FORMAT_PNG, 16, 0), IMAGING_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(ReadBytes("keep.png"), (std::vector<unsigned char>{'o', 'l', 'd'}));

    EXPECT_EQ(SaveImageFile(PathOf("no/such/folder/x.png"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_ERROR_FILE_OPEN);
    std::filesystem::create_directory(folder_ / "adir");
    EXPECT_EQ(SaveImageFile(PathOf("adir"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_ERROR_FILE_OPEN);
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "adir"));

    // A successful save replaces the file in one step, keeps its permissions and leaves
    // nothing else behind.
    ::chmod(PathOf("keep.png").c_str(), 0640);
    ASSERT_EQ(SaveImageFile(PathOf("keep.png"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS);
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("keep.png").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ImageBitmap loaded;
    EXPECT_EQ(LoadImageFile(PathOf("keep.png"), &loaded), IMAGING_SUCCESS);
    auto entries = FolderEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"adir", "keep.png"}));
}

TEST_F(ImageFileTest, SaveBelowAFileFailsCleanly)
{
    WriteBytes("plain", {'x'});
    ImageBitmap b = MakeQuadrants(8, 8);
    EXPECT_EQ(SaveImageFile(PathOf("plain/x.png"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_ERROR_FILE_OPEN);
    EXPECT_EQ(ReadBytes("plain"), std::vector<unsigned char>{'x'});
}

TEST_F(ImageFileTest, JpegQualityFactorRunsFromBestToSmallest)
{
    EXPECT_EQ(JpegQualityFromFactor(2), 100);
    EXPECT_EQ(JpegQualityFromFactor(255), 1);
    EXPECT_EQ(JpegQualityFromFactor(0), 100);
    EXPECT_EQ(JpegQualityFromFactor(0xFFFF), 100);
    for (int q = 1; q <= 100; ++q)
        EXPECT_EQ(JpegQualityFromFactor(JpegFactorFromQuality(q)), q);

    // A noisy picture: higher factors give smaller files.
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 64, 64, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    std::mt19937 random(7);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            SetPixel(b, x, y, {int(random() % 256), int(random() % 256), int(random() % 256)});
    std::uintmax_t previous = UINTMAX_MAX;
    for (int factor : {2, 40, 120, 255}) {
        ASSERT_EQ(SaveImageFile(PathOf("q.jpg"), &b, IMAGE_FORMAT_JPEG, 24, factor), IMAGING_SUCCESS);
        auto size = std::filesystem::file_size(folder_ / "q.jpg");
        EXPECT_LT(size, previous) << factor;
        previous = size;
    }
}

TEST_F(ImageFileTest, PngCompressionLevelsAllRoundTrip)
{
    ImageBitmap b = MakeQuadrants(50, 40, 32);
    std::uintmax_t fastest = 0, smallest = 0;
    for (int level : {0, 1, 5, 9, 0xFFFF}) {
        ASSERT_EQ(SaveImageFile(PathOf("l.png"), &b, IMAGE_FORMAT_PNG, 0, level), IMAGING_SUCCESS);
        (level == 1 ? fastest : smallest) = std::filesystem::file_size(folder_ / "l.png");
        ImageBitmap loaded;
        ASSERT_EQ(LoadImageFile(PathOf("l.png"), &loaded), IMAGING_SUCCESS);
        ExpectQuadrants(loaded, 0, "PNG level " + std::to_string(level));
    }
    EXPECT_GT(fastest, 0u);
}

TEST_F(ImageFileTest, GifOfManyColorsStaysCloseAndKeepsTransparency)
{
    // A smooth 3-D gradient has thousands of colours: the palette is built, not exact.
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 128, 128, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            SetPixel(b, x, y, {x * 2, y * 2, (x + y) % 256});
    ASSERT_EQ(SaveImageFile(PathOf("g.gif"), &b, IMAGE_FORMAT_GIF, 8, 2), IMAGING_SUCCESS);
    ImageBitmap loaded;
    ASSERT_EQ(LoadImageFile(PathOf("g.gif"), &loaded), IMAGING_SUCCESS);
    // Dithering spreads the error: compare 4 x 4 block means.
    double worst = 0;
    for (int by = 0; by < 128; by += 4)
        for (int bx = 0; bx < 128; bx += 4)
            for (int c = 0; c < 3; ++c) {
                double want = 0, got = 0;
                for (int y = by; y < by + 4; ++y)
                    for (int x = bx; x < bx + 4; ++x) {
                        want += PixelAt(b, x, y)[c];
                        got += PixelAt(loaded, x, y)[c];
                    }
                worst = std::max(worst, std::abs(want - got) / 16);
            }
    EXPECT_LT(worst, 12.0);

    ImageBitmap clear;
    ASSERT_EQ(CreateBitmap(&clear, 10, 10, 32, 1, nullptr, 1), IMAGING_SUCCESS);
    FillBitmap(&clear, RGB(0, 128, 255));
    SetPixel(clear, 4, 4, {0, 0, 0}, 0);
    ASSERT_EQ(SaveImageFile(PathOf("t.gif"), &clear, IMAGE_FORMAT_GIF, 8, 2), IMAGING_SUCCESS);
    ASSERT_EQ(LoadImageFile(PathOf("t.gif"), &loaded), IMAGING_SUCCESS);
    ASSERT_EQ(loaded.bitsPerPixel, 32);
    EXPECT_EQ(AlphaAt(loaded, 4, 4), 0);
    EXPECT_EQ(AlphaAt(loaded, 5, 4), 255);
    EXPECT_EQ(PixelAt(loaded, 5, 4), (Rgb{0, 128, 255}));
}

TEST_F(ImageFileTest, GifKeepsExactly256Colors)
{
    ImageBitmap b;
    ASSERT_EQ(CreateBitmap(&b, 16, 16, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            SetPixel(b, x, y, {x * 17, y * 17, (x * 16 + y) % 256});
    ASSERT_EQ(SaveImageFile(PathOf("256.gif"), &b, IMAGE_FORMAT_GIF, 8, 2), IMAGING_SUCCESS);
    ImageBitmap loaded;
    ASSERT_EQ(LoadImageFile(PathOf("256.gif"), &loaded), IMAGING_SUCCESS);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(PixelAt(loaded, x, y), PixelAt(b, x, y)) << x << "," << y;
}

// Load, resize, turn, flip and save in all four formats; each output is read by a decoder
// that is not ours.
TEST_F(ImageFileTest, QuadrantPictureSurvivesThePipelineForIndependentDecoders)
{
    ImageBitmap source = MakeQuadrants(640, 480);
    ASSERT_EQ(SaveImageFile(PathOf("source.png"), &source, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS);

    ImageBitmap b;
    ASSERT_EQ(LoadImageFile(PathOf("source.png"), &b, 0, 1, 0), IMAGING_SUCCESS);
    ASSERT_EQ(ResizeBitmap(&b, 300, 225, 2), IMAGING_SUCCESS);
    ASSERT_EQ(RotateBitmap(&b, 9000, 3, RGB(255, 255, 255)), IMAGING_SUCCESS);
    ASSERT_EQ(b.width, 225);
    ASSERT_EQ(b.height, 300);
    ASSERT_EQ(FlipBitmapTopToBottom(&b), IMAGING_SUCCESS);
    // Clockwise turn: red top-right, green bottom-right, yellow bottom-left, blue top-left.
    // The flip then swaps top and bottom.
    struct Probe { int x, y; Rgb color; } probes[] = {
        {170, 220, kRed}, {170, 80, kGreen}, {50, 80, kYellow}, {50, 220, kBlue},
        {224, 299, kRed}, {0, 0, kYellow}};

    struct Output { int format; const char* name; const char* tool; int tolerance; } outputs[] = {
        {IMAGE_FORMAT_PNG, "out.png", "pngtopnm", 0},
        {IMAGE_FORMAT_BMP, "out.bmp", "bmptopnm", 0},
        {IMAGE_FORMAT_GIF, "out.gif", "giftopnm", 0},
        {IMAGE_FORMAT_JPEG, "out.jpg", "djpeg -pnm", 10},
    };
    for (const Output& o : outputs) {
        const int bits = o.format == IMAGE_FORMAT_GIF ? 8 : 0;
        ASSERT_EQ(SaveImageFile(PathOf(o.name), &b, o.format, bits, 2), IMAGING_SUCCESS) << o.name;
        const std::string tool = std::string(o.tool).substr(0, std::string(o.tool).find(' '));
        ASSERT_TRUE(ToolAvailable(tool)) << tool << " is missing: run scripts/setup";
        DecodedPicture picture;
        ASSERT_TRUE(DecodeWithTool(std::string(o.tool) + " '" + PathOf(o.name) + "'", &picture)) << o.name;
        ASSERT_EQ(picture.width, 225) << o.name;
        ASSERT_EQ(picture.height, 300) << o.name;
        for (const Probe& p : probes)
            EXPECT_LE(MaxDifference(picture.At(p.x, p.y), p.color), o.tolerance)
                << o.name << " at " << p.x << "," << p.y;
        // Exact formats agree with our own pixels everywhere, seams included (GIF too: the
        // picture has only a handful of colours).
        if (o.tolerance != 0)
            continue;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 225; ++x)
                ASSERT_EQ(picture.At(x, y), PixelAt(b, x, y)) << o.name << " at " << x << "," << y;
    }
}

// Large enough for the PNG writer to cut it into several strips, with content every filter
// type wins somewhere on (gradients, noise, flat runs).
ImageBitmap MakeStripedTestPicture(int bits)
{
    ImageBitmap b;
    EXPECT_EQ(CreateBitmap(&b, 700, 900, bits, IMAGING_COLOR_ORDER_BGR, nullptr, IMAGING_VIEW_TOP_LEFT),
              IMAGING_SUCCESS);
    unsigned state = 12345;
    for (int y = 0; y < b.height; ++y) {
        BYTE* row = b.Row(y);
        for (int i = 0; i < b.width * b.BytesPerPixel(); ++i) {
            state = state * 1103515245u + 12345u;
            const int band = y / 100;
            row[i] = band % 3 == 0 ? BYTE(i + y) : (band % 3 == 1 ? BYTE(state >> 24) : BYTE(200));
        }
    }
    return b;
}

TEST_F(ImageFileTest, LargePngRoundTripsExactlyAndDoesNotDependOnThreads)
{
    for (int bits : {8, 24, 32}) {
        ImageBitmap b = MakeStripedTestPicture(bits);
        SetImagingThreadLimit(1);
        ASSERT_EQ(SaveImageFile(PathOf("one.png"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS);
        SetImagingThreadLimit(0);
        ASSERT_EQ(SaveImageFile(PathOf("all.png"), &b, IMAGE_FORMAT_PNG, 0, 0), IMAGING_SUCCESS);
        EXPECT_EQ(ReadBytes("one.png"), ReadBytes("all.png")) << bits << " bits";

        ImageBitmap loaded;
        ASSERT_EQ(LoadImageFile(PathOf("all.png"), &loaded, bits == 8 ? 24 : bits), IMAGING_SUCCESS);
        ASSERT_EQ(loaded.width, b.width);
        ASSERT_EQ(loaded.height, b.height);
        int wrong = 0;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                const BYTE* want = b.Row(y) + x * b.BytesPerPixel();
                const BYTE* got = loaded.Row(y) + x * loaded.BytesPerPixel();
                for (int c = 0; c < loaded.BytesPerPixel(); ++c)
                    wrong += got[c] != want[bits == 8 ? 0 : c];
            }
        EXPECT_EQ(wrong, 0) << bits << " bits";
    }
}
