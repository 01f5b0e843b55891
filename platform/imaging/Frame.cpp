#include "platform/imaging/ImageCompose.h"

int DrawImageFrame(ImageBitmap* canvas, const ImageBitmap& picture, const ImageFrameParts& parts)
{
    if (!canvas)
        return IMAGING_ERROR_INVALID_ARGUMENT;
    auto widthOf = [](const ImageBitmap* part) { return int(part->VisibleWidth()); };
    auto heightOf = [](const ImageBitmap* part) { return int(part->VisibleHeight()); };
    const int canvasWidth = canvas->VisibleWidth();
    const int canvasHeight = canvas->VisibleHeight();
    int result = IMAGING_SUCCESS;
    auto draw = [&](const ImageBitmap* piece, int x, int y, int pieceWidth, int pieceHeight) {
        if (result == IMAGING_SUCCESS)
            result = CombineBitmaps(canvas, x, y, pieceWidth, pieceHeight, piece, 0, 0, 800);
    };
    // Copying just an edge's first slice at every position gives the same pixels as laying the
    // whole part down at every position, at a fraction of the work.
    for (int x = widthOf(parts.topLeft); x < canvasWidth; ++x)
        draw(parts.top, x, 0, 1, heightOf(parts.top));
    for (int x = widthOf(parts.bottomLeft); x < canvasWidth; ++x)
        draw(parts.bottom, x, canvasHeight - heightOf(parts.bottom), 1, heightOf(parts.bottom));
    for (int y = heightOf(parts.topLeft); y < canvasHeight; ++y)
        draw(parts.left, 0, y, widthOf(parts.left), 1);
    for (int y = heightOf(parts.topRight); y < canvasHeight; ++y)
        draw(parts.right, canvasWidth - widthOf(parts.right), y, widthOf(parts.right), 1);
    draw(parts.topLeft, 0, 0, widthOf(parts.topLeft), heightOf(parts.topLeft));
    draw(parts.topRight, canvasWidth - widthOf(parts.topRight), 0, widthOf(parts.topRight), heightOf(parts.topRight));
    draw(parts.bottomLeft, 0, canvasHeight - heightOf(parts.bottomLeft), widthOf(parts.bottomLeft),
         heightOf(parts.bottomLeft));
    draw(parts.bottomRight, canvasWidth - widthOf(parts.bottomRight), canvasHeight - heightOf(parts.bottomRight),
         widthOf(parts.bottomRight), heightOf(parts.bottomRight));
    draw(&picture, widthOf(parts.left), heightOf(parts.top), picture.VisibleWidth(), picture.VisibleHeight());
    return result;
}
