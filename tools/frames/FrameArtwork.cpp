#include "tools/frames/FrameArtwork.h"

#include "platform/imaging/Imaging.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace frames {

namespace {

// The side a pixel of the frame belongs to; light falls from the top left, so the top and left
// sides show the lit faces of a profile and the bottom and right ones the shaded faces.
enum class Side { Top, Left, Bottom, Right };

struct Colour {
    double r, g, b;
};

Colour Scale(Colour c, double f) { return {c.r * f, c.g * f, c.b * f}; }
Colour Mix(Colour a, Colour b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

double Lit(Side side) { return side == Side::Top || side == Side::Left ? 1.0 : -1.0; }

// Each profile gives the colour at distance d (0 = outer edge .. thickness - 1 = next to the
// picture) on a side.
using Profile = Colour (*)(int d, int thickness, Side side);

// A cream mat board: a thin dark moulding outside, a flat board, and the white core of a
// bevelled cut next to the picture.
Colour MatteProfile(int d, int thickness, Side side)
{
    const Colour moulding{52, 46, 42}, board{234, 229, 218}, core{251, 249, 243};
    if (d < 3)
        return Scale(moulding, d == 1 ? 1.25 : 1.0);
    if (d < 5)
        return Scale(board, 0.93);  // the shadow the moulding throws on the board
    if (d >= thickness - 5)
        return Scale(core, Lit(side) > 0 ? 1.0 : 0.86);
    return board;
}

// Dark walnut: an outer lip, a rounded bevel whose slope catches or loses the light, grain
// running along the frame, a thin gilt line and a black fillet next to the picture.
Colour WalnutProfile(int d, int thickness, Side side)
{
    const Colour wood{96, 58, 34}, gilt{176, 138, 62}, fillet{22, 16, 12};
    if (d >= thickness - 2)
        return fillet;
    if (d >= thickness - 5)
        return Scale(gilt, Lit(side) > 0 ? 1.12 : 0.8);
    if (d < 3)
        return Scale(wood, 0.55 + 0.15 * d);
    // Height of the bevel rises then falls across (a half sine); its slope shades the face.
    const double t = double(d - 3) / double(thickness - 8);
    const double slope = std::cos(t * M_PI);
    const double grain = 1.0 + 0.07 * std::sin(d * 1.9) + 0.05 * std::sin(d * 0.55 + 1.0);
    return Scale(wood, (1.0 + 0.42 * Lit(side) * slope) * grain);
}

// A thin gold line: dark rims around a polished, softly rounded gold band.
Colour GoldProfile(int d, int thickness, Side side)
{
    const Colour rim{48, 36, 14}, gold{214, 172, 58}, highlight{255, 236, 160};
    if (d == 0 || d == thickness - 1)
        return rim;
    const double t = double(d - 1) / double(thickness - 3);
    const double slope = std::cos(t * M_PI);
    const double shine = std::max(0.0, Lit(side) * slope);
    return Mix(Scale(gold, 0.85 + 0.2 * std::sin(t * M_PI)), highlight, 0.6 * shine * shine);
}

struct FrameType {
    const char* name;
    int thickness;
    Profile profile;
};

const FrameType kTypes[] = {
    {"matte", 40, MatteProfile},
    {"walnut", 48, WalnutProfile},
    {"gold", 12, GoldProfile},
};

const FrameType* FindType(const std::string& name)
{
    for (const FrameType& type : kTypes)
        if (name == type.name)
            return &type;
    return nullptr;
}

// The side and distance of pixel (x, y) of a part; corners split along their mitre.
void Locate(int part, int x, int y, int width, int height, Side* side, int* d)
{
    const int fromTop = y, fromBottom = height - 1 - y, fromLeft = x, fromRight = width - 1 - x;
    auto corner = [&](Side vertical, int dv, Side horizontal, int dh) {
        *side = dv <= dh ? vertical : horizontal;
        *d = dv <= dh ? dv : dh;
    };
    switch (part) {
    case FRAME_PART_TOP_LEFT: corner(Side::Top, fromTop, Side::Left, fromLeft); break;
    case FRAME_PART_TOP_RIGHT: corner(Side::Top, fromTop, Side::Right, fromRight); break;
    case FRAME_PART_BOTTOM_RIGHT: corner(Side::Bottom, fromBottom, Side::Right, fromRight); break;
    case FRAME_PART_BOTTOM_LEFT: corner(Side::Bottom, fromBottom, Side::Left, fromLeft); break;
    case FRAME_PART_LEFT: *side = Side::Left, *d = fromLeft; break;
    case FRAME_PART_TOP: *side = Side::Top, *d = fromTop; break;
    case FRAME_PART_RIGHT: *side = Side::Right, *d = fromRight; break;
    default: *side = Side::Bottom, *d = fromBottom; break;
    }
}

BYTE Channel(double v) { return BYTE(std::clamp(std::lround(v), 0L, 255L)); }

// A small landscape for the preview: sky, sun, two hills.
int DrawSamplePicture(ImageBitmap* out)
{
    const int width = 240, height = 160;
    if (int result = CreateBitmap(out, width, height, 24, 1, nullptr, 1); result != IMAGING_SUCCESS)
        return result;
    for (int y = 0; y < height; ++y) {
        BYTE* row = out->Row(y);
        for (int x = 0; x < width; ++x) {
            const double t = double(y) / height;
            Colour c = Mix({92, 150, 220}, {224, 236, 246}, t * 1.4);
            if (std::hypot(x - 175.0, y - 45.0) < 18.0)
                c = {255, 226, 120};
            const double far = 100 + 18 * std::sin(x / 30.0), near = 122 + 14 * std::sin(x / 22.0 + 2.0);
            if (y > far)
                c = {86, 132, 92};
            if (y > near)
                c = Mix({70, 128, 52}, {40, 84, 30}, (y - near) / 40.0);
            row[x * 3] = Channel(c.b);
            row[x * 3 + 1] = Channel(c.g);
            row[x * 3 + 2] = Channel(c.r);
        }
    }
    return IMAGING_SUCCESS;
}

bool IsCorner(int part) { return part >= FRAME_PART_TOP_LEFT && part <= FRAME_PART_BOTTOM_LEFT; }

}  // namespace

const char* FramePartFileName(int part)
{
    static const char* const names[] = {nullptr,      "topleft.jpg", "topright.jpg", "bottomright.jpg", "bottomleft.jpg",
                                        "left.jpg",   "top.jpg",     "right.jpg",    "bottom.jpg"};
    return part >= 1 && part <= kFramePartCount ? names[part] : nullptr;
}

const std::vector<std::string>& FrameTypeNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const FrameType& type : kTypes)
            list.push_back(type.name);
        return list;
    }();
    return names;
}

int FrameThickness(const std::string& type)
{
    const FrameType* found = FindType(type);
    return found ? found->thickness : 0;
}

int DrawFramePart(const std::string& type, int part, int edgeLength, ImageBitmap* out)
{
    const FrameType* found = FindType(type);
    if (!found || !FramePartFileName(part) || !out)
        return IMAGING_ERROR_INVALID_ARGUMENT;
    const int t = found->thickness;
    const bool horizontal = part == FRAME_PART_TOP || part == FRAME_PART_BOTTOM;
    const int width = IsCorner(part) ? t : (horizontal ? edgeLength : t);
    const int height = IsCorner(part) ? t : (horizontal ? t : edgeLength);
    if (int result = CreateBitmap(out, width, height, 24, 1, nullptr, 1); result != IMAGING_SUCCESS)
        return result;
    for (int y = 0; y < height; ++y) {
        BYTE* row = out->Row(y);
        for (int x = 0; x < width; ++x) {
            Side side;
            int d;
            Locate(part, x, y, width, height, &side, &d);
            const Colour c = found->profile(d, t, side);
            row[x * 3] = Channel(c.b);
            row[x * 3 + 1] = Channel(c.g);
            row[x * 3 + 2] = Channel(c.r);
        }
    }
    return IMAGING_SUCCESS;
}

int FramePicture(const ImageBitmap& picture, const ImageBitmap (&parts)[kFramePartCount + 1], ImageBitmap* out)
{
    const ImageBitmap& topLeft = parts[FRAME_PART_TOP_LEFT];
    const ImageBitmap& topRight = parts[FRAME_PART_TOP_RIGHT];
    const ImageBitmap& bottomLeft = parts[FRAME_PART_BOTTOM_LEFT];
    const ImageBitmap& bottomRight = parts[FRAME_PART_BOTTOM_RIGHT];
    const ImageBitmap& left = parts[FRAME_PART_LEFT];
    const ImageBitmap& right = parts[FRAME_PART_RIGHT];
    const ImageBitmap& top = parts[FRAME_PART_TOP];
    const ImageBitmap& bottom = parts[FRAME_PART_BOTTOM];
    const int width = picture.width + left.width + right.width;
    const int height = picture.height + top.height + bottom.height;
    if (int result = CreateBitmap(out, width, height, picture.bitsPerPixel, 1, nullptr, 1); result != IMAGING_SUCCESS)
        return result;
    return DrawImageFrame(out, picture,
        ImageFrameParts { .topLeft = &topLeft, .top = &top, .topRight = &topRight, .left = &left, .right = &right,
            .bottomLeft = &bottomLeft, .bottom = &bottom, .bottomRight = &bottomRight });
}

int WriteFrameType(const std::string& type, const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return IMAGING_ERROR_FILE_OPEN;
    const int quality = JpegFactorFromQuality(95);
    ImageBitmap parts[kFramePartCount + 1];
    for (int part = 1; part <= kFramePartCount; ++part) {
        if (int result = DrawFramePart(type, part, 64, &parts[part]); result != IMAGING_SUCCESS)
            return result;
        const std::string path = folder + "/" + FramePartFileName(part);
        if (int result = SaveImageFile(path, &parts[part], IMAGE_FORMAT_JPEG, 24, quality); result != IMAGING_SUCCESS)
            return result;
    }
    ImageBitmap picture, framed;
    if (int result = DrawSamplePicture(&picture); result != IMAGING_SUCCESS)
        return result;
    if (int result = FramePicture(picture, parts, &framed); result != IMAGING_SUCCESS)
        return result;
    return SaveImageFile(folder + "/sample.jpg", &framed, IMAGE_FORMAT_JPEG, 24, quality);
}

bool CheckFrameFolder(const std::string& folder, std::string* problem)
{
    ImageBitmap parts[kFramePartCount + 1];
    for (int part = 1; part <= kFramePartCount; ++part) {
        const std::string path = folder + "/" + FramePartFileName(part);
        if (LoadImageFile(path, &parts[part], 32) != IMAGING_SUCCESS) {
            *problem = "cannot load " + path + ": " + GetImagingErrorDetail();
            return false;
        }
    }
    auto w = [&](int part) { return parts[part].VisibleWidth(); };
    auto h = [&](int part) { return parts[part].VisibleHeight(); };
    struct Rule {
        const char* text;
        bool holds;
    } rules[] = {
        {"top and top-left heights differ", h(FRAME_PART_TOP) == h(FRAME_PART_TOP_LEFT)},
        {"top and top-right heights differ", h(FRAME_PART_TOP) == h(FRAME_PART_TOP_RIGHT)},
        {"top-left and left widths differ", w(FRAME_PART_TOP_LEFT) == w(FRAME_PART_LEFT)},
        {"bottom-left and top-left widths differ", w(FRAME_PART_BOTTOM_LEFT) == w(FRAME_PART_TOP_LEFT)},
        {"top-right and right widths differ", w(FRAME_PART_TOP_RIGHT) == w(FRAME_PART_RIGHT)},
        {"top-right and bottom-right widths differ", w(FRAME_PART_TOP_RIGHT) == w(FRAME_PART_BOTTOM_RIGHT)},
        {"bottom and bottom-left heights differ", h(FRAME_PART_BOTTOM) == h(FRAME_PART_BOTTOM_LEFT)},
        {"bottom and bottom-right heights differ", h(FRAME_PART_BOTTOM) == h(FRAME_PART_BOTTOM_RIGHT)},
    };
    for (const Rule& rule : rules) {
        if (!rule.holds) {
            *problem = std::string(rule.text) + " in " + folder;
            return false;
        }
    }
    const std::string sample = folder + "/sample.jpg";
    ImageFileInfo info;
    if (GetImageFileInfo(sample, &info) != IMAGING_SUCCESS || info.format != IMAGE_FORMAT_JPEG) {
        *problem = "no JPEG preview " + sample;
        return false;
    }
    return true;
}

}  // namespace frames
