#include "resources/MessageBox.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(StringTable, TextsAreVerbatim)
{
    EXPECT_EQ(LoadStringText(221), u"Invvalid file given");
    EXPECT_EQ(LoadStringText(228), u"Internal error occured");
    EXPECT_EQ(LoadStringText(218), u"Unkown File Type");
    EXPECT_EQ(LoadStringText(281),
        u"Encloses each image in an image-based frame. See the documention to learn how to create your own frames");
    EXPECT_EQ(LoadStringText(262), u"Sharpens detected edges in the image.  You can set the sharpness level.");
    EXPECT_EQ(LoadStringText(175), u"Image Files|*.jpg;*.bmp;*.png;*.gif|All Files (*.*)|*.*||");
    EXPECT_EQ(LoadStringText(201),
        u"Your stack does not have the Save File action so you're not going to see the fruits of Vornalt's labor.\n\n"
        u"Do you want to add a Save File action now?");
    EXPECT_EQ(LoadStringText(118), u"Resize");
    EXPECT_EQ(LoadStringText(264), u"No email recipients specified");
    EXPECT_EQ(LoadStringText(153), u"Start: %s");
}

TEST(StringTable, MissingIdsHaveNoText)
{
    EXPECT_EQ(FindStringResource(16), nullptr);
    std::u16string keep = u"fallback";
    EXPECT_FALSE(LoadStringResource(65000, keep));
    EXPECT_EQ(keep, u"fallback");
    WCHAR buffer[4] = { u'x', u'x', u'x', u'x' };
    EXPECT_EQ(LoadString(65000, buffer, 4), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST(StringTable, LoadStringCutsToTheBuffer)
{
    WCHAR buffer[5];
    EXPECT_EQ(LoadString(118, buffer, 5), 4);
    EXPECT_EQ(std::u16string(buffer), u"Resi");
    const WCHAR* direct = nullptr;
    EXPECT_EQ(LoadString(118, reinterpret_cast<WCHAR*>(&direct), 0), 6);
    EXPECT_EQ(std::u16string(direct), u"Resize");
}

TEST(StringTable, IdsAreSortedAndUnique)
{
    auto ids = StringResourceIds();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_GT(ids.size(), 150u);
}

TEST(MessageBox, HeadlessDefaultWritesToTextSinkAndAnswersDefaultButton)
{
    std::u16string seen;
    auto previous = SetMessageBoxTextSink([&](std::u16string_view line) { seen = line; });
    EXPECT_EQ(MessageBox(nullptr, u"Hello", u"Vornalt", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(seen, u"Vornalt: Hello");
    EXPECT_EQ(MessageBox(nullptr, u"Sure?", nullptr, MB_YESNO), IDYES);
    EXPECT_EQ(seen, u"Sure?");
    EXPECT_EQ(MessageBox(nullptr, u"Sure?", nullptr, MB_YESNO | MB_DEFBUTTON2), IDNO);
    SetMessageBoxTextSink(previous);
}

TEST(MessageBox, SinkCanBeReplaced)
{
    UINT seenStyle = 0;
    auto previous = SetMessageBoxSink([&](HWND, std::u16string_view, std::u16string_view, UINT style) {
        seenStyle = style;
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBox(nullptr, u"x", u"y", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(seenStyle, MB_OKCANCEL);
    SetMessageBoxSink(previous);
}
