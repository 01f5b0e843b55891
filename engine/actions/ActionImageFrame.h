#pragma once
// Encloses the target's picture in a frame assembled from eight JPEG parts, four corners and four
// edges, kept per frame type in a sub-folder of "frames/" in the program folder ("frametype",
// found without regard to case, like the part files). The canvas grows by the left and right
// edges' widths and the top and bottom edges' heights; each edge repeats its part's first column
// (top, bottom) or row (left, right) along the side, the corners go over the ends and the
// picture in the middle.

#include "engine/Action.h"

#include <memory>
#include <string>
#include <vector>

class CActionImageFrame : public CActionImage {
public:
    CActionImageFrame();

    std::u16string GetTypeKey() const override { return u"builtin__frame"; }
    std::u16string GetName() const override;
    std::u16string GetDescription() const override;
    bool ShowPropertyDialog(int targetKind, HWND parent) override;
    // 24 when a part is missing or does not load, 25 when the parts' sizes do not fit together
    // (neither is logged: the run reports the code's text), 15 when the canvas cannot be made or
    // drawn. On every failure the target keeps its picture.
    int Process(CActionTarget* target) override;

    // The piece numbered 1 top left, 2 top right, 3 bottom right, 4 bottom left, 5 left, 6 top, 7 right,
    // 8 bottom, at 32 bits per pixel; null for another number, an unknown frame type, or a part
    // file that is missing or does not load.
    std::unique_ptr<ImageBitmap> LoadFramePart(short partNumber);

protected:
    ~CActionImageFrame() override = default;
};

// The program folder followed by "frames/".
std::u16string GetFramesFolder();

// Appends the name of every sub-folder of the frames folder, in listing order, without clearing
// `types`; a missing frames folder appends nothing.
void ListFrameTypes(std::vector<std::u16string>& types);
