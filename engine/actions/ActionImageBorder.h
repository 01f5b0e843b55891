#pragma once
// Adds a border of "bgcolor" around the target's bitmap, "thicknessleft", "thicknesstop",
// "thicknessright" and "thicknessbottom" pixels wide. A negative thickness fails (15).

#include "engine/Action.h"

class CActionImageBorder : public CActionImage {
public:
    CActionImageBorder();

    std::u16string GetTypeKey() const override { return u"builtin__addborder"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageBorder() override = default;
};
