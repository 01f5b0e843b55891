// The system cursors, drawn here as 32 x 32 monochrome AND/XOR masks with their hot spots, and
// the current cursor.

#include "platform/user/Cursors.h"
#include "platform/user/DisplayBackEnd.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icon.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string_view>
#include <vector>

namespace {

constexpr int Size = 32;

// One pixel of a cursor: what the AND and XOR masks make of the screen beneath.
enum Pixel : char {
    Clear = '.',  // the screen shows through
    Black = '#',
    White = 'o',
    Invert = '~', // the screen inverted
};

using Image = std::array<std::array<char, Size>, Size>;

Image Blank()
{
    Image image;
    for (auto& row : image)
        row.fill(Clear);
    return image;
}

// Drawn pixel rows, placed with their first character at (x, y); blanks and '.' stay clear.
void Paint(Image& image, int x, int y, std::initializer_list<std::string_view> rows)
{
    for (std::string_view row : rows) {
        for (size_t i = 0; i < row.size(); ++i)
            if (row[i] != ' ' && row[i] != '.' && x + int(i) < Size && y < Size)
                image[size_t(y)][size_t(x) + i] = row[i];
        ++y;
    }
}

// A shape given by a test of the offset from the hot spot: `body` pixels inside, ringed by one
// pixel of `ring` so the shape reads on any background.
void Shape(Image& image, POINT hot, const std::function<bool(int, int)>& inside, char body, char ring)
{
    auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < Size && y < Size && inside(x - hot.x, y - hot.y); };
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            if (in(x, y)) {
                image[size_t(y)][size_t(x)] = body;
                continue;
            }
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (in(x + dx, y + dy))
                        image[size_t(y)][size_t(x)] = ring;
        }
}

void Arrow(Image& image)
{
    Paint(image, 0, 0,
        { "#", "##", "#o#", "#oo#", "#ooo#", "#oooo#", "#ooooo#", "#oooooo#", "#ooooooo#", "#oooooooo#", "#ooooo#####",
            "#oo#oo#", "#o# #oo#", "##  #oo#", "#    #oo#", "     #oo#", "      #oo#", "      #oo#", "       ##" });
}

// A double-headed arrow through the hot spot along (ax, ay): a one-pixel shaft and right-angled heads.
// `reach` is the tip's distance from the hot spot, `head` the heads' half-width.
bool DoubleArrow(int dx, int dy, bool diagonal, bool vertical, bool rising, int reach = 8, int head = 4)
{
    if (!diagonal) {
        const int along = vertical ? dy : dx;
        const int across = vertical ? dx : dy;
        const int u = std::abs(along);
        return (across == 0 && u <= reach) || (u >= reach - head && u <= reach && std::abs(across) <= reach - u);
    }
    if (rising)
        dx = -dx;
    // Along the diagonal dx = dy: the shaft, then a head filling the corner square's far half.
    if (dx == dy && std::abs(dx) <= 7)
        return true;
    const bool sameSide = (dx >= 0) == (dy >= 0);
    return sameSide && std::abs(dx) <= 7 && std::abs(dy) <= 7 && std::abs(dx + dy) >= 9;
}

struct Made {
    Image image;
    POINT hot;
};

Made Draw(int id)
{
    Made m { Blank(), { 0, 0 } };
    Image& image = m.image;
    switch (id) {
    case 32512: // arrow
        Arrow(image);
        break;
    case 32513: // I-beam, inverting so it shows on text of any colour
        m.hot = { 4, 8 };
        Paint(image, 1, 0, { "~~~ ~~~" });
        for (int y = 1; y < 16; ++y)
            Paint(image, 4, y, { "~" });
        Paint(image, 1, 16, { "~~~ ~~~" });
        break;
    case 32514: // hourglass
        m.hot = { 10, 11 };
        Shape(
            image, m.hot,
            [](int dx, int dy) {
                const int a = std::abs(dy);
                if (a >= 9 && a <= 10)
                    return std::abs(dx) <= 7;
                return a <= 8 && std::abs(dx) <= 1 + (a * 5) / 8;
            },
            White, Black);
        Paint(image, 7, 15, { "#####", " ### ", "  #  " });
        break;
    case 32515: // cross
        m.hot = { 10, 10 };
        Shape(image, m.hot, [](int dx, int dy) { return (dx == 0 && std::abs(dy) <= 9) || (dy == 0 && std::abs(dx) <= 9); }, Black, White);
        break;
    case 32642: // north-west to south-east
    case 32643: // north-east to south-west
        m.hot = { 9, 9 };
        Shape(image, m.hot, [id](int dx, int dy) { return DoubleArrow(dx, dy, true, false, id == 32643); }, White, Black);
        break;
    case 32644: // west to east
    case 32645: // north to south
        m.hot = { 10, 10 };
        Shape(image, m.hot, [id](int dx, int dy) { return DoubleArrow(dx, dy, false, id == 32645, false); }, White, Black);
        break;
    case 32646: // all four ways
        m.hot = { 11, 11 };
        // Longer shafts and narrower heads keep the four heads apart.
        Shape(
            image, m.hot,
            [](int dx, int dy) { return DoubleArrow(dx, dy, false, false, false, 10, 3) || DoubleArrow(dx, dy, false, true, false, 10, 3); },
            White, Black);
        break;
    case 32648: // no
        m.hot = { 10, 10 };
        Shape(
            image, m.hot,
            [](int dx, int dy) {
                const double r = std::sqrt(double(dx * dx + dy * dy));
                return (r >= 6.5 && r <= 9.0) || (r <= 7.0 && std::abs(dx + dy) <= 1);
            },
            Black, White);
        break;
    case 32649: // hand
        m.hot = { 5, 0 };
        Paint(image, 0, 0,
            { "    ##", "   #oo#", "   #oo#", "   #oo#", "   #oo###", "   #oo#oo###", "   #oo#oo#oo##", "## #oo#oo#oo#o#",
                "#oo#oooooooo#oo#", "#ooooooooooooooo#", " #oooooooooooooo#", "  #ooooooooooooo#", "  #oooooooooooo#",
                "   #ooooooooooo#", "   #oooooooooo#", "    #ooooooooo#", "    #ooooooooo#", "    ###########" });
        break;
    case 32650: // arrow with a small hourglass
        Arrow(image);
        Paint(image, 12, 6, { "#######", "#ooooo#", " #ooo# ", "  #o#  ", " #ooo# ", "#ooooo#", "#######" });
        break;
    case 32651: // arrow with a question mark
        Arrow(image);
        Paint(image, 11, 1, { " ##### ", "##ooo##", "#oo#oo#", "#### oo#", "   #oo# ", "  #oo#  ", "  #oo#  ", "  ####  ",
                                "  #oo#  ", "  #oo#  ", "  ####  " });
        break;
    default:
        break;
    }
    return m;
}

HCURSOR MakeCursor(const Made& m)
{
    // AND mask above XOR mask, one bit a pixel, rows of 4 bytes.
    std::vector<BYTE> bits(size_t(Size) * 2 * 4, 0);
    auto set = [&](int x, int y) { bits[size_t(y) * 4 + size_t(x / 8)] |= BYTE(0x80 >> (x % 8)); };
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            const char p = m.image[size_t(y)][size_t(x)];
            if (p == Clear || p == Invert)
                set(x, y);
            if (p == White || p == Invert)
                set(x, y + Size);
        }
    HBITMAP mask = CreateBitmap(Size, Size * 2, 1, 1, bits.data());
    ICONINFO info { FALSE, DWORD(m.hot.x), DWORD(m.hot.y), mask, nullptr };
    HCURSOR cursor = CreateIconIndirect(&info);
    DeleteObject(mask);
    return cursor;
}

std::atomic<HCURSOR> g_current { nullptr };

} // namespace

HCURSOR user_detail::SystemCursor(LPCWSTR id)
{
    static constexpr int ids[] = { 32512, 32513, 32514, 32515, 32642, 32643, 32644, 32645, 32646, 32648, 32649, 32650, 32651 };
    static std::mutex mutex;
    static HCURSOR made[std::size(ids)] = {};
    if (!IS_INTRESOURCE(id))
        return nullptr;
    const int number = int(reinterpret_cast<ULONG_PTR>(id));
    for (size_t i = 0; i < std::size(ids); ++i) {
        if (ids[i] != number)
            continue;
        std::lock_guard lock(mutex);
        if (!made[i])
            made[i] = MakeCursor(Draw(number));
        return made[i];
    }
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    HCURSOR old = g_current.exchange(cursor);
    if (DisplayBackEnd* display = GetDisplayBackEnd(); display && old != cursor)
        display->CursorChanged(cursor);
    return old;
}

HCURSOR GetCursor() { return g_current.load(); }
