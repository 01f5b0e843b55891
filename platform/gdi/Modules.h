#pragma once
// The module registry lives in platform/base; gdi registers its modules there. Kept so that
// includes written before the move still build.

#include "platform/base/Modules.h"
