#pragma once
// Tones the target's bitmap brown like an old photograph. No settings, no dialog.

#include "engine/Action.h"

class CActionImageSepia : public CActionImage {
public:
    std::u16string GetTypeKey() const override { return u"builtin__sepia"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int, HWND) override { return false; }
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageSepia() override = default;
};
