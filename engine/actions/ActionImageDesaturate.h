#pragma once
// Turns the target's bitmap into shades of grey (it keeps its depth). No settings, no dialog.

#include "engine/Action.h"

class CActionImageDesaturate : public CActionImage {
public:
    std::u16string GetTypeKey() const override { return u"builtin__desaturateimage"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageDesaturate() override = default;
};
