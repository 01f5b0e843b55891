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
    std::vector<std::u16string> GetAcceptedValues(std::u16string_view name) const override
    {
        if (name == u"fliptype")
            return { u"1", u"2" };
        return {};
    }

protected:
    ~CActionImageFlip() override = default;
};
