#pragma once
// Effects that look at a pixel's neighbours: sharpen and Gaussian blur. Both work on the stored
// pixel grid, spread their work over the imaging threads, and leave the bitmap unchanged when
// they fail.

#include "platform/imaging/ImageBitmap.h"

constexpr int IMAGING_MAX_BLUR_STRENGTH = 1000;
constexpr int IMAGING_MAX_SHARPEN_AMOUNT = 1000;

// Blurs with a Gaussian whose strength is the width of its visible part in pixels: sigma is
// strength / 6, so pixels up to strength / 2 away take part (strength 20 gives a soft edge
// about 10 pixels wide each way). 0 changes nothing. Colours and alpha are blurred alike; past
// the borders the edge pixels repeat. With a region set, the blur reads every pixel but changes
// only the region's (so the area around a shape blurs into it while the shape keeps its own
// pixels). Strengths outside 0..IMAGING_MAX_BLUR_STRENGTH fail with INVALID_ARGUMENT.
int GaussianBlurBitmap(ImageBitmap* bitmap, int strength);

// Sharpens (positive amounts) or softens (negative ones); amounts past +-1000 count as +-1000.
// Sharpening is an unsharp mask over a 1-pixel Gaussian: each pixel moves away from its
// neighbourhood's mean by amount / 250 times the difference (200 adds 80 % of the local
// contrast, 1000 five times the original). Softening is a Gaussian blur of sigma 3 x |amount| /
// 1000 pixels (-1000: sigma 3). 0 changes nothing. Alpha is left as it is. Regions are ignored.
int SharpenBitmap(ImageBitmap* bitmap, int amount);
