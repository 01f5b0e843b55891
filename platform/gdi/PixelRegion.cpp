#include "platform/gdi/PixelRegion.h"

#include "platform/gdi/GdiObjects.h"

#include <algorithm>

namespace platform::gdi {

Region::Region(const RECT& rect)
{
    // Coordinates stay well inside 32 bits, so widths and pixman's sums cannot overflow.
    constexpr LONG kLimit = 0x20000000;
    const RECT r { std::clamp(rect.left, -kLimit, kLimit), std::clamp(rect.top, -kLimit, kLimit),
        std::clamp(rect.right, -kLimit, kLimit), std::clamp(rect.bottom, -kLimit, kLimit) };
    if (r.right > r.left && r.bottom > r.top)
        pixman_region32_init_rect(&m_region, r.left, r.top, unsigned(r.right - r.left), unsigned(r.bottom - r.top));
    else
        pixman_region32_init(&m_region);
}

Region::Region(const Region& other)
{
    pixman_region32_init(&m_region);
    pixman_region32_copy(&m_region, const_cast<pixman_region32_t*>(&other.m_region));
}

Region& Region::operator=(const Region& other)
{
    if (this != &other)
        pixman_region32_copy(&m_region, const_cast<pixman_region32_t*>(&other.m_region));
    return *this;
}

bool Region::Empty() const { return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&m_region)); }

int Region::Kind() const
{
    const int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(&m_region));
    return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT Region::Box() const
{
    if (Empty())
        return { 0, 0, 0, 0 };
    const pixman_box32_t* b = pixman_region32_extents(const_cast<pixman_region32_t*>(&m_region));
    return { b->x1, b->y1, b->x2, b->y2 };
}

std::vector<RECT> Region::Rects() const
{
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&m_region), &n);
    std::vector<RECT> out;
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        out.push_back({ boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2 });
    return out;
}

void Region::Intersect(const Region& other) { pixman_region32_intersect(&m_region, &m_region, const_cast<pixman_region32_t*>(&other.m_region)); }

void Region::Subtract(const Region& other) { pixman_region32_subtract(&m_region, &m_region, const_cast<pixman_region32_t*>(&other.m_region)); }

void Region::Unite(const Region& other) { pixman_region32_union(&m_region, &m_region, const_cast<pixman_region32_t*>(&other.m_region)); }

bool Region::Contains(POINT p) const
{
    return pixman_region32_contains_point(const_cast<pixman_region32_t*>(&m_region), p.x, p.y, nullptr) != 0;
}

bool Region::Overlaps(const RECT& r) const
{
    const pixman_box32_t box { r.left, r.top, r.right, r.bottom };
    return pixman_region32_contains_rectangle(const_cast<pixman_region32_t*>(&m_region), &box) != PIXMAN_REGION_OUT;
}

} // namespace platform::gdi

BOOL ReadRegion(HRGN region, platform::gdi::Region& pixels)
{
    GdiRegionObject* object = gdi_detail::LookupRegion(region);
    if (!object)
        return FALSE;
    pixels = object->region;
    return TRUE;
}

BOOL WriteRegion(HRGN region, const platform::gdi::Region& pixels)
{
    GdiRegionObject* object = gdi_detail::LookupRegion(region);
    if (!object)
        return FALSE;
    object->region = pixels;
    return TRUE;
}
