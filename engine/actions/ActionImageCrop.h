#pragma once
// Cuts the target's bitmap to the rectangle "left", "top", "right", "bottom" (right and bottom
// exclusive; the part of it inside the picture is kept). With "expandifnec" non-zero, a
// rectangle wider or taller than the picture makes a canvas of its size in "bgcolor" with the
// kept picture centred on it.

#include "engine/Action.h"

class CActionImageCrop : public CActionImage {
public:
    CActionImageCrop();

    std::u16string GetTypeKey() const override { return u"builtin__cropimage"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // A rectangle with no part inside the picture, or an empty or inverted one, fails with 15 and
    // leaves the picture as it was. When the expansion fails, the target keeps the cut picture.
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageCrop() override = default;
};
