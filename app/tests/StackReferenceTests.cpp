// docs/stacks.md is the users' reference for stack files: every action the registry offers, and
// every property of it with its default, must be found there.

#include "AppTestSupport.h"

#include "postprocess/PostProcessActions.h"

using namespace apptest;

namespace {

TEST(StackReference, NamesEveryRegisteredActionAndPropertyWithItsDefault)
{
    RegisterPostProcessActions();
    const std::string docs = ScratchFolderTest::ReadFile(fs::path(VORNALT_SOURCE_DIR) / "docs" / "stacks.md");
    ASSERT_FALSE(docs.empty());
    const std::vector<ActionRegistryEntry> registry = GetActionRegistry();
    ASSERT_FALSE(registry.empty());
    for (const ActionRegistryEntry& entry : registry) {
        const std::string key = N(entry.typeKey);
        SCOPED_TRACE(key);
        // The action's part: from its heading, or its row of a shared table, to the next heading.
        std::size_t start = docs.find("# `" + key + "`");
        if (start == std::string::npos)
            start = docs.find("| `" + key + "` |");
        ASSERT_NE(start, std::string::npos) << "the action is not described";
        std::size_t end = docs.find("\n#", start + 1);
        const std::string part = docs.substr(start, end == std::string::npos ? std::string::npos : end - start);

        auto action = RefPtr<CAction>::Adopt(CreateActionByType(entry.typeKey));
        ASSERT_TRUE(action);
        std::vector<std::u16string> names;
        std::vector<std::u16string> defaults;
        action->EnumerateProperties(names, defaults);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string name = N(names[i]);
            std::size_t at = part.find("| `" + name + "` |");
            if (at == std::string::npos)
                at = part.find("`" + name + "`");
            EXPECT_NE(at, std::string::npos) << name << " is not described";
            if (at == std::string::npos)
                continue;
            // Defaults that depend on the machine (the desktop folder) are described in words.
            const std::string value = N(defaults[i]);
            if (value.empty() || value.find('/') != std::string::npos)
                continue;
            const std::size_t lineStart = part.rfind('\n', at) + 1;
            const std::string row = part.substr(lineStart, part.find('\n', at) - lineStart);
            EXPECT_NE(row.find(value), std::string::npos) << name << ": the default " << value << " is not in " << row;
        }
    }
}

} // namespace
