#pragma once
// Balances the colours of the target's bitmap: every channel is stretched on its own between
// its darkest and lightest levels, which removes a colour cast. No settings, no dialog.

#include "engine/Action.h"

class CActionImageAutoColor : public CActionImage {
public:
    std::u16string GetTypeKey() const override { return u"builtin__autocolor"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageAutoColor() override = default;
};
