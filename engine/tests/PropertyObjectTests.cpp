#include "engine/PropertyObject.h"

#include <gtest/gtest.h>

#include <locale>

namespace {
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

class Recording : public CPropertyObject {
public:
    std::vector<std::pair<std::u16string, std::u16string>> changes;
    void OnPropertyChanged(std::u16string_view name, std::u16string_view oldValue) override
    {
        changes.emplace_back(name, oldValue);
        CPropertyObject::OnPropertyChanged(name, oldValue);
    }

protected:
    ~Recording() override = default;
};

template <typename T> RefPtr<T> make() { return RefPtr<T>::Adopt(new T); }
}

TEST(PropertyObject, MissingNameLeavesOutputUntouched)
{
    auto object = make<CPropertyObject>();
    int width = 77;
    EXPECT_FALSE(object->GetPropertyInt(u"width", width));
    EXPECT_EQ(width, 77);
    LONG l = 5;
    double d = 1.5;
    BOOL b = 3;
    std::u16string s = u"keep";
    EXPECT_FALSE(object->GetPropertyLong(u"x", l));
    EXPECT_FALSE(object->GetPropertyDouble(u"x", d));
    EXPECT_FALSE(object->GetPropertyBool(u"x", b));
    EXPECT_FALSE(object->GetPropertyString(u"x", s));
    EXPECT_EQ(l, 5);
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(s, u"keep");
    EXPECT_FALSE(object->IsDirty());
}

TEST(PropertyObject, TypedValuesAreStoredAsText)
{
    auto object = make<CPropertyObject>();
    object->SetPropertyInt(u"width", 300);
    std::u16string text;
    ASSERT_TRUE(object->GetPropertyString(u"width", text));
    EXPECT_EQ(text, u"300");
    object->SetPropertyLong(u"bgcolor", 16777215);
    object->SetPropertyBool(u"autobright", 2);
    BOOL flag = 0;
    ASSERT_TRUE(object->GetPropertyBool(u"autobright", flag));
    EXPECT_EQ(flag, 2); // the full integer
    object->SetPropertyString(u"aspectedge", u"width");
    object->GetPropertyString(u"aspectedge", text);
    EXPECT_EQ(text, u"width");
    EXPECT_TRUE(object->IsDirty());
}

TEST(PropertyObject, DoubleUsesPointWhateverTheLocale)
{
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    try {
        std::locale::global(std::locale("de_DE.UTF-8"));
    } catch (const std::runtime_error&) {
    }
    auto object = make<CPropertyObject>();
    object->SetPropertyDouble(u"rotation", 45);
    std::u16string text;
    object->GetPropertyString(u"rotation", text);
    EXPECT_EQ(text, u"45.000000");
    int asInt = 0;
    ASSERT_TRUE(object->GetPropertyInt(u"rotation", asInt));
    EXPECT_EQ(asInt, 45);
    object->SetPropertyString(u"ratio", u"45.5");
    double d = 0;
    ASSERT_TRUE(object->GetPropertyDouble(u"ratio", d));
    EXPECT_EQ(d, 45.5);
    std::locale::global(previous);
}

TEST(PropertyObject, NumericGettersConvertAnyText)
{
    auto object = make<CPropertyObject>();
    object->SetPropertyString(u"a", u"abc");
    object->SetPropertyString(u"b", u"12px");
    object->SetPropertyString(u"c", u"  -7");
    int v = 99;
    object->GetPropertyInt(u"a", v);
    EXPECT_EQ(v, 0);
    object->GetPropertyInt(u"b", v);
    EXPECT_EQ(v, 12);
    LONG l = 0;
    object->GetPropertyLong(u"c", l);
    EXPECT_EQ(l, -7);
    double d = 5;
    object->GetPropertyDouble(u"a", d);
    EXPECT_EQ(d, 0.0);
}

TEST(PropertyObject, HookFiresOnEverySetWithOldValue)
{
    auto object = make<Recording>();
    object->SetPropertyString(u"a", u"x");
    object->SetPropertyString(u"a", u"x");
    ASSERT_EQ(object->changes.size(), 2u);
    EXPECT_EQ(object->changes[0].second, u"");
    EXPECT_EQ(object->changes[1].first, u"a");
    EXPECT_EQ(object->changes[1].second, u"x");
    EXPECT_TRUE(object->IsDirty());
}

TEST(PropertyObject, EnumerationInCodeUnitOrderAndCaseSensitiveNames)
{
    auto object = make<CPropertyObject>();
    object->SetPropertyInt(u"width", 300);
    object->SetPropertyInt(u"height", 200);
    object->SetPropertyString(u"aspectedge", u"width");
    std::vector<std::u16string> names = { u"existing" }, values = { u"v" };
    EXPECT_EQ(object->EnumerateProperties(names, values), 3);
    EXPECT_EQ(names, (std::vector<std::u16string> { u"existing", u"aspectedge", u"height", u"width" }));
    EXPECT_EQ(values, (std::vector<std::u16string> { u"v", u"width", u"200", u"300" }));

    object->SetPropertyInt(u"Width", 1);
    object->SetPropertyString(u"\u00E9", u"e-acute");
    object->SetPropertyString(u"\U0001F600", u"emoji"); // surrogates 0xD83D.. sort below U+E000+
    object->SetPropertyString(u"\uFF21", u"fullwidth A");
    names.clear();
    values.clear();
    EXPECT_EQ(object->EnumerateProperties(names, values), 7);
    EXPECT_EQ(names, (std::vector<std::u16string> { u"Width", u"aspectedge", u"height", u"width", u"\u00E9",
                         u"\U0001F600", u"\uFF21" }));
    int w = 0;
    object->GetPropertyInt(u"width", w);
    EXPECT_EQ(w, 300);
}
