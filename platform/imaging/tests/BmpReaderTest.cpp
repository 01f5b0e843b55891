// Our own BMP reader against hand-built files of each layout it accepts, and the GIF reader
// against a file from another encoder.

#include "platform/imaging/ImageFile.h"

#include "platform/imaging/codecs/Codecs.h"
#include "platform/imaging/tests/ImagingTestSupport.h"

#include <cstring>
#include <stdexcept>

#include <sys/mman.h>
#include <unistd.h>

using namespace imaging_test;

namespace {

class BmpReaderTest : public TempFolderTest {};
class GifReaderTest : public TempFolderTest {};

struct BmpSpec {
    int infoSize = 40;
    int width = 0;
    int height = 0;  // negative: top-down
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t paletteCount = 0;           // the header's "colours used"
    std::vector<std::uint32_t> masks;        // inside the header (>= 52) or right after it (40)
    std::vector<std::vector<unsigned char>> palette;  // entries of 4 bytes (3 for the 12-byte header)
    std::vector<std::vector<unsigned char>> rows;     // in file order, unpadded
};

void Put(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}

std::vector<unsigned char> BuildBmp(const BmpSpec& s)
{
    std::vector<unsigned char> b(14 + std::size_t(s.infoSize), 0);
    b[0] = 'B';
    b[1] = 'M';
    Put(b, 14, std::uint32_t(s.infoSize), 4);
    if (s.infoSize == 12) {
        Put(b, 18, std::uint32_t(s.width), 2);
        Put(b, 20, std::uint32_t(s.height), 2);
        Put(b, 22, 1, 2);
        Put(b, 24, std::uint32_t(s.bits), 2);
    } else {
        Put(b, 18, std::uint32_t(s.width), 4);
        Put(b, 22, std::uint32_t(s.height), 4);
        Put(b, 26, 1, 2);
        Put(b, 28, std::uint32_t(s.bits), 2);
        Put(b, 30, s.compression, 4);
        Put(b, 46, s.paletteCount, 4);
        for (std::size_t i = 0; i < s.masks.size(); ++i) {
            if (s.infoSize >= 52)
                Put(b, 54 + i * 4, s.masks[i], 4);
            else
                b.insert(b.end(), {static_cast<unsigned char>(s.masks[i]), static_cast<unsigned char>(s.masks[i] >> 8),
                                   static_cast<unsigned char>(s.masks[i] >> 16), static_cast<unsigned char>(s.masks[i] >> 24)});
        }
    }
    for (const auto& entry : s.palette)
        b.insert(b.end(), entry.begin(), entry.end());
    Put(b, 10, std::uint32_t(b.size()), 4);
    for (auto row : s.rows) {
        row.resize((row.size() + 3) / 4 * 4, 0);
        b.insert(b.end(), row.begin(), row.end());
    }
    Put(b, 2, std::uint32_t(b.size()), 4);
    return b;
}

// The file's bytes end exactly where an unreadable page begins, so a read past them crashes
// even without a sanitizer.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<unsigned char>& bytes)
    {
        page_ = std::size_t(::sysconf(_SC_PAGESIZE));
        span_ = (bytes.size() + page_ - 1) / page_ * page_ + page_;
        void* area = ::mmap(nullptr, span_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (area == MAP_FAILED)
            throw std::runtime_error("mmap failed");
        base_ = static_cast<unsigned char*>(area);
        ::mprotect(base_ + span_ - page_, page_, PROT_NONE);
        data_ = base_ + span_ - page_ - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    ~GuardedBytes() { ::munmap(base_, span_); }
    const BYTE* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    unsigned char* base_ = nullptr;
    unsigned char* data_ = nullptr;
    std::size_t page_ = 0, span_ = 0, size_ = 0;
};

}  // namespace

TEST_F(BmpReaderTest, HeaderFieldsNeverLeadReadsPastTheFile)
{
    // A colour count in a 24-bit file: no table is read.
    BmpSpec counted{40, 1, 1, 24, 0, 256, {}, {}, {{0x10, 0x20, 0x30}}};
    // A 52-byte header naming alpha bit fields: it holds three masks, the pixels sit in its tail.
    BmpSpec shortAlpha{52, 1, 1, 32, 6, 0, {0x00FF0000, 0x0000FF00, 0x000000FF}, {}, {}};
    std::vector<unsigned char> shortAlphaBytes = BuildBmp(shortAlpha);
    Put(shortAlphaBytes, 10, std::uint32_t(shortAlphaBytes.size() - 4), 4);

    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        int expectBits;
    } cases[] = {{"24 bit with a colour count", BuildBmp(counted), 24},
                 {"52-byte header with alpha bit fields", shortAlphaBytes, 24}};
    for (const Case& c : cases) {
        GuardedBytes file(c.bytes);
        ImageBitmap b;
        ASSERT_EQ(imaging_internal::DecodeBmp(file.data(), file.size(), &b), IMAGING_SUCCESS)
            << c.what << ": " << GetImagingErrorDetail();
        EXPECT_EQ(b.width, 1) << c.what;
        EXPECT_EQ(b.bitsPerPixel, c.expectBits) << c.what;
    }
    GuardedBytes counted24(BuildBmp(counted));
    ImageBitmap b;
    ASSERT_EQ(imaging_internal::DecodeBmp(counted24.data(), counted24.size(), &b), IMAGING_SUCCESS);
    EXPECT_EQ(PixelAt(b, 0, 0), (Rgb{0x30, 0x20, 0x10}));
}

TEST_F(BmpReaderTest, ReadsEveryAcceptedLayout)
{
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    struct Case {
        const char* what;
        BmpSpec spec;
        int expectBits;
        std::vector<std::pair<std::array<int, 2>, Rgb>> pixels;  // (x, y) top-down -> colour
        int alphaAt00 = 255;
    } cases[] = {
        {"1 bit, bottom-up",
         {40, 10, 2, 1, 0, 0, {}, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {{0xAA, 0xC0}, {0x00, 0x00}}},
         24, {{{0, 1}, white}, {{1, 1}, black}, {{8, 1}, white}, {{9, 1}, white}, {{0, 0}, black}}},
        {"4 bit, short table, index past it is black",
         {40, 3, 1, 4, 0, 2, {}, {{0, 0, 255, 0}, {255, 0, 0, 0}}, {{0x01, 0x50}}},
         24, {{{0, 0}, {255, 0, 0}}, {{1, 0}, {0, 0, 255}}, {{2, 0}, black}}},
        {"8 bit with the 12-byte header",
         {12, 2, 1, 8, 0, 0, {}, {{0, 255, 0}, {10, 20, 30}}, {{1, 0}}},
         24, {{{0, 0}, {30, 20, 10}}, {{1, 0}, {0, 255, 0}}}},
        {"24 bit, top-down",
         {40, 1, -2, 24, 0, 0, {}, {}, {{0, 0, 255}, {255, 0, 0}}},
         24, {{{0, 0}, {255, 0, 0}}, {{0, 1}, {0, 0, 255}}}},
        {"16 bit, 5-5-5",
         {40, 2, 1, 16, 0, 0, {}, {}, {{0x00, 0x7C, 0x1F, 0x00}}},
         24, {{{0, 0}, {255, 0, 0}}, {{1, 0}, {0, 0, 255}}}},
        {"16 bit, 5-6-5 bit fields",
         {40, 1, 1, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, {}, {{0xE0, 0x07}}},
         24, {{{0, 0}, {0, 255, 0}}}},
        {"32 bit, bit fields after the header",
         {40, 1, 1, 32, 3, 0, {0x0000FF00, 0x00FF0000, 0xFF000000}, {}, {{0x00, 0x11, 0x22, 0x33}}},
         24, {{{0, 0}, {0x11, 0x22, 0x33}}}},
        {"32 bit, alpha mask in a 56-byte header",
         {56, 1, 1, 32, 3, 0, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, {}, {{0x30, 0x20, 0x10, 0x80}}},
         32, {{{0, 0}, {0x10, 0x20, 0x30}}}, 0x80},
        {"32 bit, fourth byte all zero is opaque",
         {40, 1, 1, 32, 0, 0, {}, {}, {{0x30, 0x20, 0x10, 0x00}}},
         24, {{{0, 0}, {0x10, 0x20, 0x30}}}},
    };
    for (const Case& c : cases) {
        WriteBytes("case.bmp", BuildBmp(c.spec));
        ImageBitmap b;
        ASSERT_EQ(LoadImageFile(PathOf("case.bmp"), &b), IMAGING_SUCCESS) << c.what << ": " << GetImagingErrorDetail();
        EXPECT_EQ(b.width, c.spec.width) << c.what;
        EXPECT_EQ(b.height, std::abs(c.spec.height)) << c.what;
        EXPECT_EQ(b.bitsPerPixel, c.expectBits) << c.what;
        for (const auto& [at, color] : c.pixels)
            EXPECT_EQ(PixelAt(b, at[0], at[1]), color) << c.what << " at " << at[0] << "," << at[1];
        EXPECT_EQ(AlphaAt(b, 0, 0), c.alphaAt00) << c.what;
    }
}

TEST_F(GifReaderTest, ReadsInterlacedGifFromAnotherEncoder)
{
    if (!ToolAvailable("pamtogif"))
        GTEST_FAIL() << "pamtogif is missing: run scripts/setup";
    // 3 x 10 picture, one colour per row, written interlaced by netpbm.
    std::vector<unsigned char> ppm;
    std::string header = "P6\n3 10\n255\n";
    ppm.assign(header.begin(), header.end());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 3; ++x)
            ppm.insert(ppm.end(), {static_cast<unsigned char>(y * 25), 0, static_cast<unsigned char>(255 - y * 25)});
    WriteBytes("rows.ppm", ppm);
    ASSERT_EQ(std::system(("pamtogif -interlace '" + PathOf("rows.ppm") + "' > '" + PathOf("rows.gif") + "' 2>/dev/null").c_str()), 0);
    ImageBitmap b;
    ASSERT_EQ(LoadImageFile(PathOf("rows.gif"), &b), IMAGING_SUCCESS) << GetImagingErrorDetail();
    ASSERT_EQ(b.height, 10);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(PixelAt(b, 1, y), (Rgb{y * 25, 0, 255 - y * 25})) << y;
}
