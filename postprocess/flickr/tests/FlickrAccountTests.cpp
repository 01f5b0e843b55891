// The account text: written as four elements, read back field by field.

#include "platform/base/Unicode.h"
#include "postprocess/flickr/FlickrAccount.h"

#include <gtest/gtest.h>

namespace {

CFlickrAccount account(std::u16string authkey, std::u16string username, std::u16string fullname, std::u16string nsid)
{
    CFlickrAccount a;
    a.authkey = std::move(authkey);
    a.username = std::move(username);
    a.fullname = std::move(fullname);
    a.nsid = std::move(nsid);
    return a;
}

void expectSame(const CFlickrAccount& a, const CFlickrAccount& b)
{
    EXPECT_EQ(a.authkey, b.authkey);
    EXPECT_EQ(a.username, b.username);
    EXPECT_EQ(a.fullname, b.fullname);
    EXPECT_EQ(a.nsid, b.nsid);
}

}

TEST(FlickrAccount, TheAccountTextIsTheFourElementsInARow)
{
    CFlickrAccount a = account(u"72157-abc", u"pelmar", u"Pel Mar", u"12037949754@N01");
    EXPECT_EQ(a.ToXml(), u"<authkey>72157-abc</authkey><username>pelmar</username><fullname>Pel Mar</fullname>"
                         u"<nsid>12037949754@N01</nsid>");
    CFlickrAccount empty;
    EXPECT_EQ(empty.ToXml(), u"<authkey></authkey><username></username><fullname></fullname><nsid></nsid>");
}

TEST(FlickrAccount, EveryValueReadsBackAsItWasWrittenMarkupCharactersIncluded)
{
    const std::vector<CFlickrAccount> accounts = {
        account(u"72157-abc", u"pelmar", u"Pel Mar", u"12037949754@N01"),
        account(u"k&y", u"R&D <team>", u"\"Quotes\" & 'apostrophes' > all", u"1@N0"),
        // A name that would otherwise close its element and put in another key.
        account(u"real-key", u"x", u"</fullname><authkey>stolen</authkey><fullname>", u"n"),
        account(u"key", u"K\u00f6ln", u"\u00c5sa \u4e2d\u6587 \U0001F600", u"n"),
        account(u"key", u"", u"", u""),
        account(u"key", u"&amp;", u"literal &lt; and &#38; stay", u"&"),
    };
    for (const CFlickrAccount& written : accounts) {
        CFlickrAccount read;
        EXPECT_TRUE(read.FromXml(written.ToXml()));
        expectSame(read, written);
        // As the settings store keeps it: inside "account" inside "accounts".
        CFlickrAccount stored;
        EXPECT_TRUE(stored.FromXml(u"<accounts><account>" + written.ToXml() + u"</account></accounts>"));
        expectSame(stored, written);
    }
    CFlickrAccount read;
    read.FromXml(accounts[2].ToXml());
    EXPECT_EQ(read.authkey, u"real-key");
}

TEST(FlickrAccount, MissingElementsAndTextThatIsNotXmlLeaveFieldsAsTheyWere)
{
    CFlickrAccount a = account(u"old-key", u"old-user", u"Old Name", u"old-id");
    EXPECT_TRUE(a.FromXml(u"<account><authkey>new-key</authkey><nsid>new-id</nsid></account>"));
    expectSame(a, account(u"new-key", u"old-user", u"Old Name", u"new-id"));

    for (const char16_t* text : { u"", u"not xml", u"<<>>" }) {
        CFlickrAccount b = account(u"k", u"u", u"f", u"n");
        EXPECT_TRUE(b.FromXml(text)) << Utf16ToUtf8(text);
        expectSame(b, account(u"k", u"u", u"f", u"n"));
    }
}
