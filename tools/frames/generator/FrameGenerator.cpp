// Writes the frame artwork: one folder per frame type under the folder given.
//
//   frame_generator <frames folder>

#include "tools/frames/FrameArtwork.h"

#include "platform/imaging/Imaging.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: frame_generator <frames folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    for (const std::string& type : frames::FrameTypeNames()) {
        const std::string folder = root + "/" + type;
        if (int result = frames::WriteFrameType(type, folder); result != IMAGING_SUCCESS) {
            std::fprintf(stderr, "frame_generator: cannot write %s: %d %s\n", folder.c_str(), result,
                         GetImagingErrorDetail().c_str());
            return 1;
        }
        std::string problem;
        if (!frames::CheckFrameFolder(folder, &problem)) {
            std::fprintf(stderr, "frame_generator: %s\n", problem.c_str());
            return 1;
        }
    }
    return 0;
}
