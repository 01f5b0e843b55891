#pragma once
// The application's tooltip: a plain rounded rectangle with a thin grey border, a light soft
// shadow, the system's tooltip colours, a 212-pixel text column, a minute on screen and a short
// fade-out when the system fades tooltips.

#include "tooltips/RichToolTip.h"

class CRichTipLook : public CRichToolTip {
public:
    CRichTipLook() = default;
    ~CRichTipLook() override = default;

    // Called by the owner right after CreateTipWindow succeeded.
    void ApplyStandardLook();
};
