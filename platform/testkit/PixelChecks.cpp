#include "platform/testkit/PixelChecks.h"

#include "platform/imaging/ImageFile.h"
#include "platform/user/Screen.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testkit {

namespace {

int Channel(DWORD pixel, int shift) { return int((pixel >> shift) & 0xFF); }

int ChannelDifference(DWORD a, DWORD b)
{
    int worst = 0;
    for (int shift : { 0, 8, 16 })
        worst = std::max(worst, std::abs(Channel(a, shift) - Channel(b, shift)));
    return worst;
}

// Whether the binary was started with --update-goldens.
bool CommandLineAsksForUpdate()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string argument;
    while (std::getline(in, argument, '\0'))
        if (argument == "--update-goldens")
            return true;
    return false;
}

std::string StemOf(const std::string& path) { return std::filesystem::path(path).stem().string(); }

} // namespace

COLORREF Capture::ColorAt(int x, int y) const
{
    const DWORD p = At(x, y);
    return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
}

Capture CaptureScreenRect(const RECT& area)
{
    Capture capture;
    capture.width = std::max(0, int(area.right - area.left));
    capture.height = std::max(0, int(area.bottom - area.top));
    if (!CaptureScreen(area, capture.pixels))
        capture = Capture {};
    return capture;
}

Capture CaptureWindow(HWND window)
{
    RECT rect {};
    ::GetWindowRect(window, &rect);
    return CaptureScreenRect(rect);
}

Capture CaptureClient(HWND window)
{
    RECT rect {};
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    // A mirrored window maps its corners the other way round.
    if (rect.left > rect.right)
        std::swap(rect.left, rect.right);
    return CaptureScreenRect(rect);
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    POINT point { x, y };
    ::ClientToScreen(window, &point);
    const Capture capture = CaptureScreenRect(RECT { point.x, point.y, point.x + 1, point.y + 1 });
    return capture.Empty() ? CLR_INVALID : capture.ColorAt(0, 0);
}

bool SavePng(const Capture& capture, const std::string& path)
{
    ImageBitmap bitmap;
    if (CreateBitmap(&bitmap, capture.width, capture.height, 24, IMAGING_COLOR_ORDER_BGR, nullptr,
            IMAGING_VIEW_TOP_LEFT) != IMAGING_SUCCESS)
        return false;
    for (int y = 0; y < capture.height; ++y) {
        BYTE* row = bitmap.Row(y);
        for (int x = 0; x < capture.width; ++x) {
            const DWORD p = capture.At(x, y);
            row[x * 3 + 0] = BYTE(p);
            row[x * 3 + 1] = BYTE(p >> 8);
            row[x * 3 + 2] = BYTE(p >> 16);
        }
    }
    return SaveImageFile(path, &bitmap, IMAGE_FORMAT_PNG, 24, 0) == IMAGING_SUCCESS;
}

bool LoadPng(const std::string& path, Capture& capture)
{
    ImageBitmap bitmap;
    if (LoadImageFile(path, &bitmap, 24) != IMAGING_SUCCESS)
        return false;
    capture.width = bitmap.width;
    capture.height = bitmap.height;
    capture.pixels.assign(size_t(bitmap.width) * size_t(bitmap.height), 0);
    for (int y = 0; y < capture.height; ++y) {
        const BYTE* row = bitmap.Row(y);
        for (int x = 0; x < capture.width; ++x)
            capture.pixels[size_t(y) * size_t(capture.width) + size_t(x)]
                = DWORD(row[x * 3]) | (DWORD(row[x * 3 + 1]) << 8) | (DWORD(row[x * 3 + 2]) << 16);
    }
    return true;
}

std::string TestOutputFolder()
{
    const char* folder = std::getenv("VORNALT_TEST_OUTPUT_DIR");
    std::string path = folder && *folder ? folder : (std::filesystem::current_path() / "test-output").string();
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    return path;
}

bool UpdatingGoldens()
{
    const char* update = std::getenv("VORNALT_UPDATE_GOLDENS");
    return (update && std::string(update) == "1") || CommandLineAsksForUpdate();
}

::testing::AssertionResult SamePixels(const Capture& a, const Capture& b, Tolerance tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return ::testing::AssertionFailure() << "sizes differ: " << a.width << "x" << a.height << " and " << b.width
                                             << "x" << b.height;
    int differing = 0;
    int worst = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const int difference = ChannelDifference(a.At(x, y), b.At(x, y));
            worst = std::max(worst, difference);
            if (difference > tolerance.channel) {
                if (differing++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
        }
    if (differing > tolerance.pixels) {
        std::ostringstream out;
        out << differing << " pixels differ by more than " << tolerance.channel << " (at most " << tolerance.pixels
            << " may); the first at (" << firstX << ", " << firstY << "), the largest difference " << worst;
        return ::testing::AssertionFailure() << out.str();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MatchesGolden(const Capture& actual, const std::string& goldenPath, Tolerance tolerance)
{
    if (actual.Empty())
        return ::testing::AssertionFailure() << "nothing was captured";
    if (UpdatingGoldens()) {
        if (!SavePng(actual, goldenPath))
            return ::testing::AssertionFailure() << "cannot write the golden " << goldenPath;
        return ::testing::AssertionSuccess() << "golden written: " << goldenPath;
    }
    Capture expected;
    ::testing::AssertionResult result = LoadPng(goldenPath, expected)
        ? SamePixels(actual, expected, tolerance)
        : ::testing::AssertionFailure() << "no golden at " << goldenPath;
    if (result)
        return result;
    // What a person needs to look at the failure.
    const std::string base = (std::filesystem::path(TestOutputFolder()) / StemOf(goldenPath)).string();
    SavePng(actual, base + ".actual.png");
    if (!expected.Empty()) {
        SavePng(expected, base + ".expected.png");
        if (expected.width == actual.width && expected.height == actual.height) {
            Capture diff = actual;
            for (size_t i = 0; i < diff.pixels.size(); ++i) {
                const DWORD a = actual.pixels[i];
                diff.pixels[i] = ChannelDifference(a, expected.pixels[i]) > tolerance.channel
                    ? 0xFF0000
                    : ((a >> 2) & 0x3F3F3F) + 0x808080; // a pale copy where they agree
            }
            SavePng(diff, base + ".diff.png");
        }
    }
    return result << "; the actual picture is " << base << ".actual.png";
}

::testing::AssertionResult AllPixels(const Capture& capture, const RECT& rect, COLORREF color)
{
    for (int y = int(rect.top); y < int(rect.bottom); ++y)
        for (int x = int(rect.left); x < int(rect.right); ++x) {
            if (x < 0 || y < 0 || x >= capture.width || y >= capture.height)
                return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is outside the capture";
            if (capture.ColorAt(x, y) != color)
                return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is " << std::hex
                                                     << capture.ColorAt(x, y) << ", not " << color;
        }
    return ::testing::AssertionSuccess();
}

} // namespace testkit
