// The frame artwork: every type has its eight parts and preview, the parts keep the size rules,
// edges carry a profile across their thickness and none along their length, and the copies
// committed in data/frames (and copied next to the program) are complete.

#include "tools/frames/FrameArtwork.h"

#include "platform/imaging/Imaging.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace frames;

namespace {

int Difference(const ImageBitmap& b, int x1, int y1, int x2, int y2)
{
    const int step = b.BytesPerPixel();
    const BYTE* p = b.Row(y1) + x1 * step;
    const BYTE* q = b.Row(y2) + x2 * step;
    return std::max({std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])});
}

class FrameFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::random_device entropy;
        folder_ = std::filesystem::temp_directory_path() / ("vornalt-frames-" + std::to_string(entropy()));
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::filesystem::path folder_;
};

std::filesystem::path ProgramFolder()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    path[n > 0 ? n : 0] = '\0';
    return std::filesystem::path(path).parent_path();
}

}  // namespace

TEST(FrameArtworkTest, MatteIsTheFirstOfThreeTypes)
{
    ASSERT_EQ(FrameTypeNames().size(), 3u);
    EXPECT_EQ(FrameTypeNames()[0], "matte");
    for (const std::string& type : FrameTypeNames())
        EXPECT_GT(FrameThickness(type), 0) << type;
    EXPECT_EQ(FrameThickness("nothing"), 0);
    EXPECT_EQ(FramePartFileName(0), nullptr);
    EXPECT_STREQ(FramePartFileName(FRAME_PART_BOTTOM_RIGHT), "bottomright.jpg");
}

TEST(FrameArtworkTest, EdgesHaveAProfileAcrossAndNoneAlong)
{
    for (const std::string& type : FrameTypeNames()) {
        SCOPED_TRACE(type);
        const int t = FrameThickness(type);
        for (int part : {FRAME_PART_TOP, FRAME_PART_BOTTOM, FRAME_PART_LEFT, FRAME_PART_RIGHT}) {
            ImageBitmap edge;
            ASSERT_EQ(DrawFramePart(type, part, 64, &edge), IMAGING_SUCCESS);
            const bool horizontal = part == FRAME_PART_TOP || part == FRAME_PART_BOTTOM;
            ASSERT_EQ(horizontal ? edge.height : edge.width, t);
            ASSERT_EQ(horizontal ? edge.width : edge.height, 64);
            int across = 0;
            for (int d = 0; d < t; ++d)
                for (int along = 0; along < 64; ++along) {
                    const int x = horizontal ? along : d, y = horizontal ? d : along;
                    ASSERT_EQ(Difference(edge, x, y, horizontal ? 0 : d, horizontal ? d : 0), 0);
                    if (along == 0 && d > 0)
                        across += Difference(edge, x, y, horizontal ? 0 : d - 1, horizontal ? d - 1 : 0) > 0;
                }
            EXPECT_GE(across, 3);  // it changes across the thickness
        }
        // A corner meets its edges: along the top of the top-left corner it is the top edge's row.
        ImageBitmap corner, top, left;
        ASSERT_EQ(DrawFramePart(type, FRAME_PART_TOP_LEFT, 64, &corner), IMAGING_SUCCESS);
        ASSERT_EQ(DrawFramePart(type, FRAME_PART_TOP, 64, &top), IMAGING_SUCCESS);
        ASSERT_EQ(DrawFramePart(type, FRAME_PART_LEFT, 64, &left), IMAGING_SUCCESS);
        for (int d = 0; d < t; ++d) {
            const BYTE* c = corner.Row(d) + (t - 1) * 3;
            const BYTE* e = top.Row(d);
            EXPECT_TRUE(c[0] == e[0] && c[1] == e[1] && c[2] == e[2]) << d;
            const BYTE* c2 = corner.Row(t - 1) + d * 3;
            const BYTE* e2 = left.Row(0) + d * 3;
            EXPECT_TRUE(c2[0] == e2[0] && c2[1] == e2[1] && c2[2] == e2[2]) << d;
        }
    }
}

TEST_F(FrameFolderTest, WrittenTypesKeepTheSizeRulesAndSurviveJpeg)
{
    for (const std::string& type : FrameTypeNames()) {
        SCOPED_TRACE(type);
        const std::string folder = (folder_ / type).string();
        ASSERT_EQ(WriteFrameType(type, folder), IMAGING_SUCCESS);
        std::string problem;
        EXPECT_TRUE(CheckFrameFolder(folder, &problem)) << problem;
        // After the JPEG round trip the top edge still has no profile along its length.
        ImageBitmap top;
        ASSERT_EQ(LoadImageFile(folder + "/top.jpg", &top), IMAGING_SUCCESS);
        for (int y = 0; y < top.height; ++y)
            for (int x = 1; x < top.width; ++x)
                ASSERT_LE(Difference(top, x, y, 0, y), 2) << x << "," << y;
        // The preview is the sample picture grown by two thicknesses.
        ImageBitmap sample;
        ASSERT_EQ(LoadImageFile(folder + "/sample.jpg", &sample), IMAGING_SUCCESS);
        EXPECT_EQ(sample.width, 240 + 2 * FrameThickness(type));
        EXPECT_EQ(sample.height, 160 + 2 * FrameThickness(type));
    }
}

TEST_F(FrameFolderTest, BrokenFoldersAreReported)
{
    const std::string folder = (folder_ / "broken").string();
    ASSERT_EQ(WriteFrameType("gold", folder), IMAGING_SUCCESS);
    ImageBitmap tall;
    ASSERT_EQ(CreateBitmap(&tall, 64, FrameThickness("gold") + 2, 24, 1, nullptr, 1), IMAGING_SUCCESS);
    ASSERT_EQ(SaveImageFile(folder + "/top.jpg", &tall, IMAGE_FORMAT_JPEG, 24, 2), IMAGING_SUCCESS);
    std::string problem;
    EXPECT_FALSE(CheckFrameFolder(folder, &problem));
    EXPECT_NE(problem.find("top and top-left heights differ"), std::string::npos) << problem;
    std::filesystem::remove(folder + "/bottomleft.jpg");
    EXPECT_FALSE(CheckFrameFolder(folder, &problem));
    EXPECT_NE(problem.find("bottomleft.jpg"), std::string::npos) << problem;
    EXPECT_EQ(WriteFrameType("nothing", (folder_ / "nothing").string()), IMAGING_ERROR_INVALID_ARGUMENT);
}

TEST(FrameArtworkTest, CommittedAndCopiedFramesAreComplete)
{
    const std::filesystem::path committed = std::filesystem::path(VORNALT_SOURCE_DIR) / "data" / "frames";
    const std::filesystem::path copied = ProgramFolder() / "frames";
    for (const auto& root : {committed, copied}) {
        SCOPED_TRACE(root.string());
        for (const std::string& type : FrameTypeNames()) {
            std::string problem;
            EXPECT_TRUE(CheckFrameFolder((root / type).string(), &problem)) << problem;
        }
    }
}
