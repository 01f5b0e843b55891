#pragma once
// Points, sizes and rectangles in the platform's layout (32-bit LONG fields), shared by the window
// and drawing layers.

#include "platform/base/Types.h"

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

// Right and bottom are exclusive.
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
