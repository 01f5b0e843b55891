// Corrupt, truncated and hostile files: every load fails with an error code, never crashes,
// never hangs and never allocates for a size the file merely claims.

#include "platform/imaging/ImageFile.h"

#include "platform/imaging/tests/ImagingTestSupport.h"

#include <chrono>
#include <functional>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace imaging_test;

namespace {

class ImageFileRobustnessTest : public TempFolderTest {
protected:
    std::vector<unsigned char> Encoded(int format, int width = 40, int height = 30)
    {
        ImageBitmap b = MakeQuadrants(width, height);
        // Some texture so every format has real entropy-coded data to damage.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; x += 3)
                SetPixel(b, x, y, {(x * 37 + y * 11) % 256, (x * 5) % 256, (y * 29) % 256});
        EXPECT_EQ(SaveImageFile(PathOf("valid"), &b, format, format == IMAGE_FORMAT_GIF ? 8 : 0, 2), IMAGING_SUCCESS);
        return ReadBytes("valid");
    }

    int Load(const std::vector<unsigned char>& bytes)
    {
        WriteBytes("case", bytes);
        ImageBitmap b;
        int result = LoadImageFile(PathOf("case"), &b);
        EXPECT_EQ(b.IsAllocated(), result == IMAGING_SUCCESS);
        return result;
    }
};

void PutBigEndian32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
}
void PutLittleEndian32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}

std::size_t FindBytes(const std::vector<unsigned char>& bytes, std::initializer_list<unsigned char> pattern,
                      std::size_t from = 0)
{
    auto it = std::search(bytes.begin() + std::ptrdiff_t(from), bytes.end(), pattern.begin(), pattern.end());
    return it == bytes.end() ? std::string::npos : std::size_t(it - bytes.begin());
}

}  // namespace

TEST_F(ImageFileRobustnessTest, TruncatedFilesFail)
{
    for (int format : {IMAGE_FORMAT_PNG, IMAGE_FORMAT_GIF, IMAGE_FORMAT_BMP}) {
        const auto valid = Encoded(format);
        ASSERT_EQ(Load(valid), IMAGING_SUCCESS) << format;
        for (double part : {0.02, 0.3, 0.6, 0.9}) {
            std::vector<unsigned char> cut(valid.begin(), valid.begin() + std::ptrdiff_t(valid.size() * part));
            EXPECT_LT(Load(cut), 0) << "format " << format << " cut at " << cut.size() << " of " << valid.size();
        }
    }
}

// A JPEG cut short after its header is a picture whose missing part is grey, as other viewers
// show it; the load says so. Cut inside the header, it fails. It never loads in silence.
TEST_F(ImageFileRobustnessTest, TruncatedJpegsLoadWithTheDecodersWarningOrFail)
{
    const auto valid = Encoded(IMAGE_FORMAT_JPEG);
    ASSERT_EQ(Load(valid), IMAGING_SUCCESS);
    EXPECT_EQ(GetImagingWarningDetail(), "");
    EXPECT_LT(Load(std::vector<unsigned char>(valid.begin(), valid.begin() + 20)), 0);
    for (double part : {0.02, 0.3, 0.6, 0.9}) {
        std::vector<unsigned char> cut(valid.begin(), valid.begin() + std::ptrdiff_t(valid.size() * part));
        const int result = Load(cut);
        if (result == IMAGING_SUCCESS)
            EXPECT_NE(GetImagingWarningDetail(), "") << "cut at " << cut.size() << " of " << valid.size();
        else
            EXPECT_LT(result, 0);
    }
    auto jpeg = valid;
    jpeg.resize(jpeg.size() - 40);
    EXPECT_EQ(Load(jpeg), IMAGING_SUCCESS);
    EXPECT_EQ(GetImagingWarningDetail(), "JPEG: Premature end of JPEG file");
    // The next sound file clears it.
    ASSERT_EQ(Load(valid), IMAGING_SUCCESS);
    EXPECT_EQ(GetImagingWarningDetail(), "");
}

TEST_F(ImageFileRobustnessTest, PngWithBadChecksumFails)
{
    const auto valid = Encoded(IMAGE_FORMAT_PNG);
    for (auto chunk : {std::initializer_list<unsigned char>{'I', 'H', 'D', 'R'}, {'I', 'D', 'A', 'T'}}) {
        auto bytes = valid;
        std::size_t type = FindBytes(bytes, chunk);
        ASSERT_NE(type, std::string::npos);
        std::uint32_t length = (bytes[type - 4] << 24) | (bytes[type - 3] << 16) | (bytes[type - 2] << 8) | bytes[type - 1];
        bytes[type + 4 + length] ^= 0x5A;  // first CRC byte
        EXPECT_EQ(Load(bytes), IMAGING_ERROR_CORRUPT_FILE);
    }
}

TEST_F(ImageFileRobustnessTest, GifWithBrokenLzwStreamFails)
{
    auto bytes = Encoded(IMAGE_FORMAT_GIF);
    // Image descriptor: ',' then 9 bytes, no local colour table here; then the minimum code
    // size and the first data sub-block.
    std::size_t descriptor = FindBytes(bytes, {0x2C, 0, 0, 0, 0});
    ASSERT_NE(descriptor, std::string::npos);
    std::size_t block = descriptor + 10 + 1;
    ASSERT_LT(block + 1, bytes.size());
    const std::size_t length = bytes[block];
    for (std::size_t i = 1; i <= length && block + i < bytes.size(); ++i)
        bytes[block + i] = 0xFF;  // codes far beyond any defined table entry
    EXPECT_EQ(Load(bytes), IMAGING_ERROR_CORRUPT_FILE);

    auto wrongCodeSize = Encoded(IMAGE_FORMAT_GIF);
    wrongCodeSize[descriptor + 10] = 15;
    EXPECT_LT(Load(wrongCodeSize), 0);
}

TEST_F(ImageFileRobustnessTest, BmpWithLyingHeaderFails)
{
    const auto valid = Encoded(IMAGE_FORMAT_BMP);
    struct Lie { const char* what; std::size_t at; std::uint32_t value; } lies[] = {
        {"pixel offset past the end", 10, 0x7FFFFFF0},
        {"height larger than the data", 22, 5000},
        {"width larger than the data", 18, 5000},
        {"header size past the end", 14, 0xFFFFFFF0},
        {"header size too small", 14, 20},
        {"negative width", 18, 0xFFFFFFF0},
        {"smallest negative height", 22, 0x80000000},
        {"zero width", 18, 0},
        {"unknown depth", 28, 0x00000007},
        {"run-length compression", 30, 1},
    };
    for (const Lie& lie : lies) {
        auto bytes = valid;
        PutLittleEndian32(bytes, lie.at, lie.value);
        EXPECT_LT(Load(bytes), 0) << lie.what;
    }
}

TEST_F(ImageFileRobustnessTest, HugeClaimedSizesAreRefusedBeforeDecoding)
{
    // 100,000 x 100,000 PNG header with a correct CRC.
    auto png = Encoded(IMAGE_FORMAT_PNG);
    PutBigEndian32(png, 16, 100000);
    PutBigEndian32(png, 20, 100000);
    PutBigEndian32(png, 29, std::uint32_t(crc32(0, png.data() + 12, 17)));
    EXPECT_EQ(Load(png), IMAGING_ERROR_TOO_LARGE);

    auto bmp = Encoded(IMAGE_FORMAT_BMP);
    PutLittleEndian32(bmp, 18, 100000);
    PutLittleEndian32(bmp, 22, 100000);
    EXPECT_EQ(Load(bmp), IMAGING_ERROR_TOO_LARGE);

    // GIF sizes are 16-bit: 65535 x 65535 is 4.3 gigapixels.
    auto gif = Encoded(IMAGE_FORMAT_GIF);
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;
    std::size_t descriptor = FindBytes(gif, {0x2C, 0, 0, 0, 0});
    for (int i = 5; i <= 8; ++i)
        gif[descriptor + std::size_t(i)] = 0xFF;
    EXPECT_EQ(Load(gif), IMAGING_ERROR_TOO_LARGE);

    // JPEG sizes are 16-bit too: 60,000 x 60,000 in the frame header.
    auto jpeg = Encoded(IMAGE_FORMAT_JPEG);
    std::size_t frame = FindBytes(jpeg, {0xFF, 0xC0});
    ASSERT_NE(frame, std::string::npos);
    jpeg[frame + 5] = jpeg[frame + 7] = 0xEA;
    jpeg[frame + 6] = jpeg[frame + 8] = 0x60;
    EXPECT_EQ(Load(jpeg), IMAGING_ERROR_TOO_LARGE);
}

// Random damage to valid files of each format: any result is acceptable except a crash, a
// hang or a success that reports a bitmap it did not fill (checked by the sanitizer build).
TEST_F(ImageFileRobustnessTest, RandomDamageNeverCrashes)
{
    std::mt19937 random(20240611);
    for (int format : {IMAGE_FORMAT_JPEG, IMAGE_FORMAT_PNG, IMAGE_FORMAT_GIF, IMAGE_FORMAT_BMP}) {
        const auto valid = Encoded(format, 33, 21);
        for (int round = 0; round < 150; ++round) {
            auto bytes = valid;
            const int flips = 1 + int(random() % 8);
            for (int i = 0; i < flips; ++i)
                bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
            if (random() % 4 == 0)
                bytes.resize(random() % bytes.size());
            int result = Load(bytes);
            EXPECT_TRUE(result == IMAGING_SUCCESS || result < 0) << result;
        }
    }
}

// A named pipe nobody writes to: reading it would wait forever. Runs the call on another thread
// and, should it hang, opens the writing end so the thread can finish before the test fails.
TEST_F(ImageFileRobustnessTest, NamedPipesAreRefusedWithoutWaiting)
{
    const std::string pipe = PathOf("photo.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"GetImageFileInfo", [&] { ImageFileInfo info; return GetImageFileInfo(pipe, &info); }},
        {"LoadImageFile", [&] { ImageBitmap b; return LoadImageFile(pipe, &b, 32); }},
    };
    for (const auto& [what, call] : calls) {
        std::future<int> done = std::async(std::launch::async, call);
        if (done.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            ADD_FAILURE() << what << " waited on the pipe";
        }
        EXPECT_EQ(done.get(), IMAGING_ERROR_FILE_READ) << what;
    }
}
