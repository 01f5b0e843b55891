#pragma once
// The application's settings section as an exchange: under its registry key when it has one,
// else in its profile file.

#include "toolkit/controls/persist/PropExchange.h"

// One reference; the caller releases it (InternalRelease).
CJQWPropExchange* OpenAppProfileSection(BOOL loading, const WCHAR* section);
