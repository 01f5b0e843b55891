#pragma once
// Lightens or darkens the target's bitmap by "brightness" (-1000..1000), or, with "autobright"
// non-zero, bends its tones so that the median brightness becomes mid-grey.

#include "engine/Action.h"

class CActionImageBrightness : public CActionImage {
public:
    CActionImageBrightness();

    std::u16string GetTypeKey() const override { return u"builtin__brightenimage"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageBrightness() override = default;
};
