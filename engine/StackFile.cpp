// The ".stack" file format: an XML document whose top element ("stack") holds one "action"
// element per action, in stack order, with the action's type key in the attribute "type" and
// one child per property holding its text. Actions come back through the action registry, so
// the format knows no action class.

#include "engine/Action.h"
#include "engine/ActionRegistry.h"
#include "engine/ActionStack.h"
#include "engine/LogFile.h"
#include "engine/ResultCodes.h"
#include "engine/ToTvString.h"

#include "components/foundation/ClsXml.h"
#include "components/foundation/TvXml.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// Paths are compared in full, with links and "." / ".." resolved where the file exists.
std::string comparablePath(std::u16string_view path)
{
    std::error_code error;
    std::filesystem::path full = std::filesystem::weakly_canonical(std::filesystem::path(Utf16ToUtf8(path)), error);
    return error ? Utf16ToUtf8(path) : full.string();
}

bool canReadFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    return bool(in);
}

} // namespace

TvXml* CAction::SaveToXml()
{
    if (!m_pXml) {
        m_pXml = new TvXml();
        m_pXml->SetUtf8Flag(true);
    }
    m_pXml->SetTag("action");
    m_pXml->UpdateAttribute("type", ToTvString(GetTypeKey(), true).GetString());
    if (!IsDirty() && m_pXml->GetNumChildren() > 0)
        return m_pXml;

    m_pXml->RemoveAllChildren();
    std::vector<std::u16string> names;
    std::vector<std::u16string> values;
    EnumerateProperties(names, values);
    for (std::size_t i = 0; i < names.size(); ++i)
        delete m_pXml->NewChild(ToTvString(names[i], true).GetString(), ToTvString(values[i], true).GetString());
    SetDirty(false);
    return m_pXml;
}

bool CAction::LoadFromXml(TvXml* element)
{
    if (!element)
        return true;
    std::vector<std::u16string> names;
    std::vector<std::u16string> values;
    EnumerateProperties(names, values);
    for (const std::u16string& name : names) {
        TvString content;
        if (element->GetChildContent(Utf16ToUtf8(name).c_str(), content))
            StorePropertyQuietly(name, FromTvString(content));
    }
    return true;
}

int CActionStack::SaveToFile(std::u16string_view path)
{
    std::string key = comparablePath(path);
    if (std::find(m_unreadableFiles.begin(), m_unreadableFiles.end(), key) != m_unreadableFiles.end()) {
        LogError(u"Stack: Refusing to save over %s: the file could not be read as a stack", path);
        return RESULT_FILE_SAVE_FAILED;
    }

    TvXml document;
    document.SetUtf8Flag(true);
    document.SetTag("stack");
    // Each action's own element moves into this document; the action keeps using it afterwards.
    for (CAction* action : m_actions)
        document.AddChildTree(action->SaveToXml());
    if (!document.SaveXml(Utf16ToUtf8(path).c_str())) {
        LogError(u"Stack: Failed to save the stack file %s", path);
        return RESULT_FILE_SAVE_FAILED;
    }
    return RESULT_SUCCESS;
}

int CActionStack::LoadFromFile(std::u16string_view path)
{
    std::string file = Utf16ToUtf8(path);
    TvXml document;
    document.SetUtf8Flag(true);
    // Every text run trimmed: a value on its own indented line of a hand-formatted file reads
    // as the value, and a value never gains the writer's indentation over a save and a load.
    if (!document.Handle()->LoadXmlFile(file.c_str(), /*trim=*/true)) {
        bool readable = canReadFile(file);
        std::error_code error;
        if (std::filesystem::exists(file, error))
            m_unreadableFiles.push_back(comparablePath(path));
        return readable ? RESULT_XML_PARSE_ERROR : RESULT_INVALID_FILE;
    }

    int count = document.GetNumChildren();
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<TvXml> element(document.GetChild(i));
        if (!element)
            continue;
        TvString type;
        element->GetAttrValue("type", type);
        RefPtr<CAction> action = RefPtr<CAction>::Adopt(CreateActionByType(FromTvString(type)));
        if (!action)
            continue;
        action->LoadFromXml(element.get());
        InsertAction(action.get(), -1);
    }
    return RESULT_SUCCESS;
}
