#include "engine/ProgramFolder.h"
#include "engine/ResultCodes.h"
#include "engine/TextHelpers.h"

#include "resources/MessageBox.h"

#include <gtest/gtest.h>

TEST(ResultCodes, TextsAsTheTableGivesThem)
{
    EXPECT_EQ(ErrorCodeText(0), u"No error");
    EXPECT_EQ(ErrorCodeText(1), u"Action not compatible with target");
    EXPECT_EQ(ErrorCodeText(2), u"Invvalid file given");
    EXPECT_EQ(ErrorCodeText(9), u"Internal error occured");
    EXPECT_EQ(ErrorCodeText(13), u"FTP error occurred");
    EXPECT_EQ(ErrorCodeText(14), u"User cancelled operation");
    EXPECT_EQ(ErrorCodeText(15), u"Failed to modify an image in memory");
    EXPECT_EQ(ErrorCodeText(19), u"Upload failed");
    EXPECT_EQ(ErrorCodeText(20), u"Invalid authentication");
    EXPECT_EQ(ErrorCodeText(21), u"No email recipients specified");
    EXPECT_EQ(ErrorCodeText(22), u"Too many files");
    EXPECT_EQ(ErrorCodeText(23), u"Unable to send mail");
    EXPECT_EQ(ErrorCodeText(24), u"One or more frame image parts are missing from the frame definition folder");
    EXPECT_EQ(ErrorCodeText(25),
        u"The sizes of the frame parts for the selected frame type do not match. See the documentation for how frame "
        u"parts should be made.");
    for (int code : { 16, 17, 18, -1, 26, 1000 })
        EXPECT_EQ(ErrorCodeText(code), u"") << code;
}

TEST(ResultCodes, ImageTypes)
{
    EXPECT_EQ(ImageTypeDisplayName(0), u"Unkown File Type");
    EXPECT_EQ(ImageTypeDisplayName(1), u"Original File Type");
    EXPECT_EQ(ImageTypeDisplayName(2), u"JPEG (jpg)");
    EXPECT_EQ(ImageTypeDisplayName(3), u"PNG (png)");
    EXPECT_EQ(ImageTypeDisplayName(4), u"CompuServe GIF (gif)");
    EXPECT_EQ(ImageTypeDisplayName(5), u"Bitmap (bmp)");
    EXPECT_EQ(ImageTypeDisplayName(9), u"Unkown File Type");
    EXPECT_EQ(ImageTypeDisplayName(-1), u"Unkown File Type");
    EXPECT_EQ(ImageTypeExtension(0), u"unknown");
    EXPECT_EQ(ImageTypeExtension(1), u"unknown");
    EXPECT_EQ(ImageTypeExtension(2), u"jpg");
    EXPECT_EQ(ImageTypeExtension(3), u"png");
    EXPECT_EQ(ImageTypeExtension(4), u"gif");
    EXPECT_EQ(ImageTypeExtension(5), u"bmp");
    EXPECT_EQ(ImageTypeExtension(6), u"unknown");
}

TEST(TextHelpers, Formatting)
{
    EXPECT_EQ(IntToString(-42), u"-42");
    EXPECT_EQ(FormatString(u"%s: Failed to size bitmap: %d", u"Resize", 7), u"Resize: Failed to size bitmap: 7");
    std::u16string big(5000, u'y');
    EXPECT_EQ(FormatString(u"%s", big).size(), 5000u);
    EXPECT_EQ(FormatResourceString(153, u"beach.jpg"), u"Start: beach.jpg");
    EXPECT_EQ(FormatResourceString(240, u"FTP", 3, 10), u"FTP: 3/10 Complete");
    EXPECT_EQ(FormatResourceString(103), u"%d of the files could not be added to the list"); // no arguments: as stored
    EXPECT_EQ(FormatResourceString(103, 4), u"4 of the files could not be added to the list");
    EXPECT_EQ(FormatResourceString(60000), u"");
}

TEST(TextHelpers, MessageBoxFromResource)
{
    std::u16string seenText, seenCaption;
    UINT seenStyle = 0;
    auto previous = SetMessageBoxSink([&](HWND, std::u16string_view text, std::u16string_view caption, UINT style) {
        seenText = text;
        seenCaption = caption;
        seenStyle = style;
        return IDNO;
    });
    EXPECT_EQ(MessageBoxFromResource(MB_YESNO | MB_ICONQUESTION, 103, 2), IDNO);
    EXPECT_EQ(seenText, u"2 of the files could not be added to the list");
    EXPECT_EQ(seenCaption, u"engine_tests");
    EXPECT_EQ(seenStyle, MB_YESNO | MB_ICONQUESTION);
    MessageBoxFromResource(MB_OK, 278);
    EXPECT_EQ(seenText, u"You must choose a frame type to apply to the image before you can continue");
    SetMessageBoxSink(previous);
}

TEST(TextHelpers, SplitAndJoin)
{
    std::vector<std::u16string> pieces;
    SplitString(u"a,,b,", u"", pieces, false);
    EXPECT_EQ(pieces, (std::vector<std::u16string> { u"a", u"b" }));
    pieces.clear();
    SplitString(u"a,,b,", u"", pieces, true);
    EXPECT_EQ(pieces, (std::vector<std::u16string> { u"a", u"", u"b" }));
    pieces = { u"kept" };
    SplitString(u"x; y; z", u"; ", pieces, false);
    EXPECT_EQ(pieces, (std::vector<std::u16string> { u"kept", u"x", u"y", u"z" }));
    pieces.clear();
    SplitString(u"", u",", pieces, true);
    EXPECT_TRUE(pieces.empty());
    EXPECT_EQ(JoinStrings({ u"x", u"y", u"z" }, u"; "), u"x; y; z");
    EXPECT_EQ(JoinStrings({ u"x", u"y" }, u""), u"x,y");
    EXPECT_EQ(JoinStrings({}, u";"), u"");
}

TEST(ProgramFolder, FolderOfTheExecutableWithTrailingSlash)
{
    std::u16string folder = GetProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), u'/');
    EXPECT_EQ(folder.back(), u'/');
    EXPECT_NE(folder.find(u"engine"), std::u16string::npos);
}
