#include "platform/controls/CommonControls.h"
#include "platform/testkit/MessageBoxes.h"

#include <gtest/gtest.h>

TEST(MessageBoxRecorder, AnswersQueuedButtonsByClickingAndRecordsEachBox)
{
    InitCommonControls();
    testkit::MessageBoxRecorder boxes;
    boxes.AnswerNext(IDNO);
    boxes.AnswerNext(IDCANCEL);
    EXPECT_EQ(MessageBoxW(nullptr, u"Overwrite the file?", u"Vornalt", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, u"Retry the upload?", u"Vornalt", MB_RETRYCANCEL), IDCANCEL);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, u"Overwrite the file?");
    EXPECT_EQ(boxes.Boxes()[0].result, IDNO);
    EXPECT_EQ(boxes.Boxes()[1].type, UINT(MB_RETRYCANCEL));
    EXPECT_EQ(boxes.Open(), nullptr);
}
