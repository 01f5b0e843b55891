#pragma once
// Sets the target's picture on a canvas of "bgcolor", "thickness" pixels larger on every side,
// over a blurred black rectangle of its size: the soft shadow shows towards the top left
// ("direction" 1), the bottom right (2) or all around (3); any other direction shows none.

#include "engine/Action.h"
#include "platform/base/Geometry.h"

class CActionImageShadow : public CActionImage {
public:
    CActionImageShadow();

    std::u16string GetTypeKey() const override { return u"builtin__shadow"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 15 after a failed step, logged (a negative thickness fails); the target then keeps its
    // picture.
    int Process(CActionTarget* target) override;
    std::vector<std::u16string> GetAcceptedValues(std::u16string_view name) const override
    {
        if (name == u"direction")
            return { u"1", u"2", u"3" };
        return {};
    }

protected:
    ~CActionImageShadow() override = default;
};

// The blur rectangle for a canvas of canvasWidth x canvasHeight and a shadow `thickness` wide.
RECT ShadowBlurRectangle(int direction, int thickness, int canvasWidth, int canvasHeight);
