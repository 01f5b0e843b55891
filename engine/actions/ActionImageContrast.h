#pragma once
// Raises or lowers the contrast of the target's bitmap by "contrast" (-1000..1000), or, with
// "autocontrast" non-zero, stretches its levels, all channels together, to the full range.

#include "engine/Action.h"

class CActionImageContrast : public CActionImage {
public:
    CActionImageContrast();

    std::u16string GetTypeKey() const override { return u"builtin__contrastimage"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageContrast() override = default;
};
