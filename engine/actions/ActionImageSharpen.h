#pragma once
// Sharpens the edges of the target's bitmap by "sharpness" (-1000..1000; negative amounts
// soften).

#include "engine/Action.h"

class CActionImageSharpen : public CActionImage {
public:
    CActionImageSharpen();

    std::u16string GetTypeKey() const override { return u"builtin__sharpen"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageSharpen() override = default;
};
