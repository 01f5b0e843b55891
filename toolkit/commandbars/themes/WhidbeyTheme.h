#pragma once
// The shapes of the gradient look in the light beige and grey tones of the development tools, with
// flat hot, pushed and checked items. The program's main window uses it.

#include "toolkit/commandbars/themes/Office2003Theme.h"

namespace JQWPaintThemes {

class CJQWWhidbeyTheme : public CJQWOffice2003Theme {
public:
    CJQWWhidbeyTheme();
    void RefreshMetrics() override;
    int GetBaseTheme() const override { return 4; }
};

} // namespace JQWPaintThemes
