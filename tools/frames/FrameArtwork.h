#pragma once
// The frame artwork shipped with the program: each frame type is a folder of eight JPEG parts
// (four corners, four edges) and a preview "sample.jpg". The parts are drawn here from a
// profile across the frame's thickness, so an edge looks the same wherever the frame action
// repeats it and the corners join the edges along their mitre.

#include "platform/imaging/ImageBitmap.h"

#include <string>
#include <vector>

namespace frames {

// Part numbers and file names as the frame action reads them.
enum FramePart {
    FRAME_PART_TOP_LEFT = 1,
    FRAME_PART_TOP_RIGHT = 2,
    FRAME_PART_BOTTOM_RIGHT = 3,
    FRAME_PART_BOTTOM_LEFT = 4,
    FRAME_PART_LEFT = 5,
    FRAME_PART_TOP = 6,
    FRAME_PART_RIGHT = 7,
    FRAME_PART_BOTTOM = 8,
};
constexpr int kFramePartCount = 8;
const char* FramePartFileName(int part);  // "topleft.jpg" ...; nullptr for other numbers

// The frame types we draw, the default first.
const std::vector<std::string>& FrameTypeNames();

// The thickness in pixels of a type's frame (0 for an unknown type).
int FrameThickness(const std::string& type);

// Draws one part of a type as a 24-bit bitmap: corners thickness x thickness, edges thickness
// thick and `edgeLength` long. Returns an imaging result code.
int DrawFramePart(const std::string& type, int part, int edgeLength, ImageBitmap* out);

// Frames `picture` with the parts the way the frame action does (canvas grown by the edges,
// edges drawn at every pixel along the sides, corners over their ends, picture in the middle).
int FramePicture(const ImageBitmap& picture, const ImageBitmap (&parts)[kFramePartCount + 1], ImageBitmap* out);

// Writes the eight parts and sample.jpg of `type` into `folder` (created if missing).
int WriteFrameType(const std::string& type, const std::string& folder);

// Loads the parts of the frame-type folder and checks the size rules the frame action relies
// on; false with a sentence naming the first problem otherwise.
bool CheckFrameFolder(const std::string& folder, std::string* problem);

}  // namespace frames
