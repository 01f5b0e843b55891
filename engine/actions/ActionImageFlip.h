#pragma once
// Mirrors the target's bitmap: "fliptype" 1 top to bottom, any other value left to right.

#include "engine/Action.h"

class CActionImageFlip : public CActionImage {
public:
    CActionImageFlip();

    std::u16string GetTypeKey() const override { return u"builtin__flip"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageFlip() override = default;
};
