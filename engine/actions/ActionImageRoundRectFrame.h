#pragma once
// Rounds off the corners of the target's picture ("radius" pixels), painting what lies outside
// the rounded rectangle in "bgcolor". With "dropshadow" non-zero the picture is then set, 15
// pixels from every edge, on a 32-bit canvas of "bgcolor" over a soft black halo of its shape.

#include "engine/Action.h"

class CActionImageRoundRectFrame : public CActionImage {
public:
    CActionImageRoundRectFrame();

    std::u16string GetTypeKey() const override { return u"builtin__rrframe"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 15 after a failed step, logged; a failure while making the shadow leaves the target with
    // the rounded picture (and no region on it).
    int Process(CActionTarget* target) override;

protected:
    ~CActionImageRoundRectFrame() override = default;
};
