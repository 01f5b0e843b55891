#pragma once
// The imaging layer in one include: bitmaps, image files, geometry and composition.

#include "platform/imaging/ImageBitmap.h"
#include "platform/imaging/ImageCompose.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageGeometry.h"
#include "platform/imaging/ImagingResult.h"
