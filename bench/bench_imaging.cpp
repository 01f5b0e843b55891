// Times the batch road of a typical stack over a folder of photographs: load, resize to fit
// a box (1024 x 1024 unless --box N), save as JPEG at quality 85. Outputs go to a temporary folder, removed at the end.
// The road runs twice: decoding whole pictures, then with the target size given to the loader
// (JPEG decoded at a reduced DCT scale); --threads limits the imaging threads (0 = all cores).
//
//   bench_imaging [folder] [--repeat N] [--keep] [--threads N] [--box N] [--road full|sized|both]

#include "platform/imaging/Imaging.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Totals {
    double load = 0, resize = 0, save = 0;
    int images = 0, failures = 0;
    long long inputPixels = 0;
};

// Fits within the box keeping the aspect ratio; never enlarges.
void FitWithin(int width, int height, int box, int* outWidth, int* outHeight)
{
    const double scale = std::min({1.0, double(box) / width, double(box) / height});
    *outWidth = std::max(1, int(width * scale + 0.5));
    *outHeight = std::max(1, int(height * scale + 0.5));
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = "/work/shared/bench-corpus";
    int repeat = 1;
    bool keep = false;
    std::string road = "both";
    int box = 1024;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--keep")
            keep = true;
        else if (arg == "--threads" && i + 1 < argc)
            SetImagingThreadLimit(std::atoi(argv[++i]));
        else if (arg == "--box" && i + 1 < argc)
            box = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--road" && i + 1 < argc)
            road = argv[++i];
        else
            folder = arg;
    }

    std::vector<std::string> inputs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        ImageFileInfo info;
        if (entry.is_regular_file() && GetImageFileInfo(entry.path().string(), &info) == IMAGING_SUCCESS)
            inputs.push_back(entry.path().string());
    }
    if (error || inputs.empty()) {
        std::fprintf(stderr, "bench_imaging: no images in %s\n", folder.c_str());
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());

    char pattern[] = "/tmp/bench-imaging-XXXXXX";
    const char* output = mkdtemp(pattern);
    if (!output) {
        std::perror("bench_imaging: mkdtemp");
        return 1;
    }

    const int factor = JpegFactorFromQuality(85);
    int failures = 0;
    auto runRoad = [&](bool sized) {
        Totals totals;
        const auto start = Clock::now();
        for (int round = 0; round < repeat; ++round) {
            for (const std::string& path : inputs) {
                // The output size comes from the file's header, as the resize action will do.
                ImageFileInfo info;
                GetImageFileInfo(path, &info);
                int width = 0, height = 0;
                FitWithin(std::max(1, int(info.width)), std::max(1, int(info.height)), box, &width, &height);
                ImageBitmap bitmap;
                auto t = Clock::now();
                const int loaded =
                    sized ? LoadImageFileForSize(path, &bitmap, width, height) : LoadImageFile(path, &bitmap);
                if (loaded != IMAGING_SUCCESS) {
                    std::fprintf(stderr, "load failed: %s: %s\n", path.c_str(), GetImagingErrorDetail().c_str());
                    ++totals.failures;
                    continue;
                }
                totals.load += SecondsSince(t);
                totals.inputPixels += (long long)bitmap.width * bitmap.height;
                if (info.width <= 0 || info.height <= 0)
                    FitWithin(bitmap.width, bitmap.height, box, &width, &height);
                t = Clock::now();
                if (ResizeBitmap(&bitmap, width, height, 2) != IMAGING_SUCCESS) {
                    ++totals.failures;
                    continue;
                }
                totals.resize += SecondsSince(t);

                const std::string target =
                    std::string(output) + "/" + std::filesystem::path(path).stem().string() + ".jpg";
                t = Clock::now();
                if (SaveImageFile(target, &bitmap, IMAGE_FORMAT_JPEG, 24, factor) != IMAGING_SUCCESS) {
                    std::fprintf(stderr, "save failed: %s: %s\n", target.c_str(), GetImagingErrorDetail().c_str());
                    ++totals.failures;
                    continue;
                }
                totals.save += SecondsSince(t);
                ++totals.images;
            }
        }
        const double total = SecondsSince(start);
        const char* name = sized ? "vornalt (sized load)" : "vornalt (full load)";
        std::printf("%s: %d images (%d failed) from %s into %d x %d, %.1f megapixels decoded, %d imaging threads\n",
                    name, totals.images, totals.failures, folder.c_str(), box, box, totals.inputPixels / 1e6,
                    GetImagingThreadLimit());
        std::printf("%s: total %.3f s, %.2f images/s (load %.3f s, resize %.3f s, save %.3f s)\n", name, total,
                    totals.images / total, totals.load, totals.resize, totals.save);
        failures += totals.failures;
    };
    if (road != "sized")
        runRoad(false);
    if (road != "full")
        runRoad(true);
    if (keep) {
        std::printf("vornalt: outputs kept in %s\n", output);
    } else {
        std::filesystem::remove_all(output, error);
    }
    return failures == 0 ? 0 : 1;
}
