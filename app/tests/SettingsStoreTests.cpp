#include "app/SettingsStore.h"

#include "app/tests/AppTestSupport.h"
#include "postprocess/flickr/FlickrAccount.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace apptest;

namespace {

class SettingsStoreTest : public ScratchFolderTest {
protected:
    void SetUp() override
    {
        ScratchFolderTest::SetUp();
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_oldConfig = old ? old : "";
        m_hadConfig = old != nullptr;
        setenv("XDG_CONFIG_HOME", (Root() / "config").c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadConfig)
            setenv("XDG_CONFIG_HOME", m_oldConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        ScratchFolderTest::TearDown();
    }
    fs::path File() const { return Root() / "config" / "Vornalt" / "settings.xml"; }

    std::string m_oldConfig;
    bool m_hadConfig = false;
};

} // namespace

TEST_F(SettingsStoreTest, ValuesRoundTripThroughTheFileInTheApplicationDataFolder)
{
    {
        CSettingsStore store;
        ASSERT_TRUE(store.Load()); // no file yet: the folder is made
        EXPECT_EQ(N(store.GetPath()), File().string());
        EXPECT_EQ(store.GetInt(u"regfiletype"), 0);
        store.SetInt(u"SplitterOnePosition", (120 << 16) | 300);
        store.SetInt(u"EnableWeeklyChecks", -1);
        store.SetNextUpdateCheck(46036.75);
        ASSERT_TRUE(store.Save());
    }
    const std::string text = ReadFile(File());
    EXPECT_NE(text.find("<settings"), std::string::npos);
    EXPECT_NE(text.find("regfiletype integerValue=\"\""), std::string::npos) << text; // read, never set
    CSettingsStore store;
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetInt(u"SplitterOnePosition"), (120 << 16) | 300);
    EXPECT_EQ(store.GetInt(u"EnableWeeklyChecks"), -1);
    EXPECT_EQ(store.GetInt(u"regfiletype"), 0);
    EXPECT_EQ(store.GetNextUpdateCheck(), 46036.75);
}

TEST_F(SettingsStoreTest, ForeignFilesReadTheirWayAndBadValuesAreDefaults)
{
    fs::create_directories(File().parent_path());
    WriteFile(File(), "<config>"
                      "<regfiletype integerValue=\"1\"/>"
                      "<EnableWeeklyChecks integerValue=\"eleven\"/>"
                      "<SplitterTwoPosition integerValue=\" 2.5 \"/>"
                      "<NextUpdateCheck doubleValue=\"soon\"/>"
                      "<regfiletype integerValue=\"2\"/>"
                      "</config>");
    CSettingsStore store;
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.GetInt(u"regfiletype"), 2);        // the later element wins; the root's name is not read
    EXPECT_EQ(store.GetInt(u"EnableWeeklyChecks"), 0); // text is no number
    EXPECT_EQ(store.GetInt(u"SplitterTwoPosition"), 2); // halves round to even
    EXPECT_EQ(store.GetNextUpdateCheck(), 0.0);

    WriteFile(File(), "not a settings file at all");
    CSettingsStore damaged;
    EXPECT_TRUE(damaged.Load());
    EXPECT_TRUE(damaged.Entries().empty());
    EXPECT_TRUE(damaged.Save()); // and a fresh file replaces it
    EXPECT_NE(ReadFile(File()).find("<settings"), std::string::npos);
}

TEST_F(SettingsStoreTest, TypesKeptBySettersAndTheAccountListInOrder)
{
    CSettingsStore store;
    store.SetNextUpdateCheck(1.5);
    EXPECT_EQ(store.Entries().at(u"NextUpdateCheck").values.at(u"doubleValue").kind, CSettingValue::Kind::Real);

    std::vector<CFlickrAccount> accounts(2);
    accounts[0].username = u"first & <one>";
    accounts[0].nsid = u"1@N1";
    accounts[1].username = u"second ]]> one";
    accounts[1].authkey = u"72157-key";
    store.SaveFlickrAccounts(accounts);
    ASSERT_TRUE(store.Load());
    ASSERT_TRUE(store.Save());
    CSettingsStore reread;
    ASSERT_TRUE(reread.Load());
    std::vector<CFlickrAccount> loaded;
    reread.LoadFlickrAccounts(loaded);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(N(loaded[0].username), "first & <one>");
    EXPECT_EQ(N(loaded[0].nsid), "1@N1");
    EXPECT_EQ(N(loaded[1].authkey), "72157-key");

    CSettingsStore empty;
    std::vector<CFlickrAccount> none;
    empty.LoadFlickrAccounts(none);
    EXPECT_TRUE(none.empty());
}

TEST_F(SettingsStoreTest, WithoutAPathNothingIsSaved)
{
    CSettingsStore store;
    store.SetInt(u"regfiletype", 1);
    EXPECT_FALSE(store.Save());
    WriteFile(Root() / "config", "a file where the folder should be");
    EXPECT_FALSE(store.Load());
}
