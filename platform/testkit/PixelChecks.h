#pragma once
// Pixel checks over what the screen shows: captures of a window (frame included), its client
// area or a screen rectangle; colours at points; comparison with golden PNG files, exact or within
// a tolerance. A failed comparison writes the actual, expected and difference pictures into the
// test-output folder. Goldens are (re)written only when the test binary runs with
// --update-goldens (or VORNALT_UPDATE_GOLDENS=1), to be looked at before they are committed.

#include "platform/user/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testkit {

// Pixels as 0x00RRGGBB, row by row.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;

    DWORD At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // The pixel as a COLORREF (0x00BBGGRR), as drawing calls take colours.
    COLORREF ColorAt(int x, int y) const;
    bool Empty() const { return width <= 0 || height <= 0; }
};

Capture CaptureScreenRect(const RECT& area);
// The window as the screen shows it, frame included.
Capture CaptureWindow(HWND window);
Capture CaptureClient(HWND window);
// The colour the screen shows at a client point of `window`.
COLORREF ClientPixel(HWND window, int x, int y);

struct Tolerance {
    int channel = 0;       // the largest difference of a channel that still counts as equal
    int pixels = 0;        // how many pixels may differ beyond it
};

bool SavePng(const Capture& capture, const std::string& path);
bool LoadPng(const std::string& path, Capture& capture);

// The folder failed comparisons write into ($VORNALT_TEST_OUTPUT_DIR, else ./test-output).
std::string TestOutputFolder();
bool UpdatingGoldens();

// Compares with the golden file (a missing golden fails, unless goldens are being updated).
// On failure writes <name>.actual.png, <name>.expected.png and <name>.diff.png (differing pixels
// red on a dimmed copy) into the test-output folder, and says where.
::testing::AssertionResult MatchesGolden(const Capture& actual, const std::string& goldenPath,
    Tolerance tolerance = {});
// Two captures of the same size that agree within the tolerance.
::testing::AssertionResult SamePixels(const Capture& a, const Capture& b, Tolerance tolerance = {});
// Every pixel of `rect` (capture coordinates) has `color` (a COLORREF).
::testing::AssertionResult AllPixels(const Capture& capture, const RECT& rect, COLORREF color);

} // namespace testkit
