#pragma once
// Mouse and keyboard message numbers, their flags and the virtual-key codes: the input layer's.

#include "platform/user/Input.h"

constexpr UINT WM_MOUSEHWHEEL = 0x020E;
