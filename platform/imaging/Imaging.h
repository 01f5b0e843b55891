#pragma once
// The imaging layer in one include: bitmaps, image files, geometry, composition, regions,
// effects, colour, drawing contexts and the thread limit.

#include "platform/imaging/ImageBitmap.h"
#include "platform/imaging/ImageColor.h"
#include "platform/imaging/ImageCompose.h"
#include "platform/imaging/ImageDC.h"
#include "platform/imaging/ImageEffects.h"
#include "platform/imaging/ImageFile.h"
#include "platform/imaging/ImageGeometry.h"
#include "platform/imaging/ImageRegion.h"
#include "platform/imaging/ImagingResult.h"
#include "platform/imaging/ImagingThreads.h"
