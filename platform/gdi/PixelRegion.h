#pragma once
// A set of pixels as bands of rectangles (pixman's model), copyable: what a region handle holds,
// and the window layer's update regions, visible regions and window shapes.

#include "platform/gdi/GdiConstants.h"
#include "platform/gdi/GdiTypes.h"

#include <pixman.h>

#include <vector>

namespace platform::gdi {

class Region {
public:
    Region() { pixman_region32_init(&m_region); }
    explicit Region(const RECT& r);
    Region(const Region& other);
    Region& operator=(const Region& other);
    ~Region() { pixman_region32_fini(&m_region); }
    pixman_region32_t* get() { return &m_region; }
    const pixman_region32_t* get() const { return &m_region; }
    bool Empty() const;
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Kind() const;
    RECT Box() const;
    std::vector<RECT> Rects() const;
    void Offset(int dx, int dy) { pixman_region32_translate(&m_region, dx, dy); }
    void Intersect(const Region& other);
    void Subtract(const Region& other);
    void Unite(const Region& other);
    bool Contains(POINT p) const;
    // Some of `r` is inside.
    bool Overlaps(const RECT& r) const;

private:
    pixman_region32_t m_region;
};

} // namespace platform::gdi

// Ours: the pixels of a region handle (FALSE for another handle), and replacing them.
BOOL ReadRegion(HRGN region, platform::gdi::Region& pixels);
BOOL WriteRegion(HRGN region, const platform::gdi::Region& pixels);

namespace gdi_detail {
using platform::gdi::Region;
}
