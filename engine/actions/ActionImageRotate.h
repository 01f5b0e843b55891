#pragma once
// Turns the target's bitmap by "rotation" whole degrees (positive clockwise), filling the
// uncovered area with "bgcolor" (0x00BBGGRR).

#include "engine/Action.h"

class CActionImageRotate : public CActionImage {
public:
    CActionImageRotate();

    std::u16string GetTypeKey() const override { return u"builtin__rotateimage"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageRotate() override = default;
};

// The turn handed to the imaging layer: degrees x 100, whole turns taken off first so that no
// angle can overflow (-90 gives -9000, 450 gives 9000).
int RotationInHundredths(int degrees);
