#pragma once
// The drawing layer's points, sizes and rectangles are the base layer's.

#include "platform/base/Geometry.h"
