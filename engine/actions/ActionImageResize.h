#pragma once
// Resizes the target's bitmap to "width" x "height". With "aspectedge" "width" the height
// follows the picture's ratio, with "height" the width does ("none", or any other text, keeps
// neither; the comparison is exact).

#include "engine/Action.h"
#include "engine/ActionTarget.h"

class CActionStack;

class CActionImageResize : public CActionImage {
public:
    CActionImageResize();

    std::u16string GetTypeKey() const override { return u"builtin__resizeimage"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    int Process(CActionTarget* target) override;
    std::vector<std::u16string> GetAcceptedValues(std::u16string_view name) const override
    {
        if (name == u"aspectedge")
            return { u"width", u"height", u"none" };
        return {};
    }
    CImageFileTarget::LoadSizeRule GetLoadSizeRule() override;

protected:
    ~CActionImageResize() override = default;
};

// The output size for a picture seen as visibleWidth x visibleHeight. The side that follows the
// ratio is truncated toward zero, but never below 1 while the given side is positive.
void ComputeResizeTarget(long visibleWidth, long visibleHeight, std::u16string_view aspectEdge, int& width, int& height);
