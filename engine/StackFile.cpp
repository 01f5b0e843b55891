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
#include "platform/base/NumberParse.h"
#include "platform/base/RefCounted.h"
#include "platform/base/Unicode.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
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

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string tagName(std::string_view tag)
{
    std::size_t end = 0;
    while (end < tag.size() && !isSpace(tag[end]) && tag[end] != '/' && tag[end] != '>')
        ++end;
    return std::string(tag.substr(0, end));
}

// Why the text is not well-formed XML, as far as a stack file needs it to be: one top element,
// every element closed by an end tag of its name, nothing but white space outside the top
// element. Empty when it is.
std::string wellFormedProblem(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    // Markup in UTF-16 or UTF-32 is not looked at byte by byte; the reader has taken it already.
    if (text.find('\0') != std::string_view::npos)
        return std::string();
    std::vector<std::string> open;
    int topElements = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t lt = text.find('<', at);
        std::string_view between = text.substr(at, lt == std::string_view::npos ? std::string_view::npos : lt - at);
        if (open.empty() && !std::all_of(between.begin(), between.end(), isSpace))
            return "text outside the top element";
        if (lt == std::string_view::npos)
            break;
        std::string_view rest = text.substr(lt);
        auto skipTo = [&](std::string_view end, const char* what) -> std::string {
            std::size_t found = rest.find(end);
            if (found == std::string_view::npos)
                return std::string("unterminated ") + what;
            at = lt + found + end.size();
            return std::string();
        };
        std::string problem;
        if (rest.starts_with("<?")) {
            problem = skipTo("?>", "processing instruction");
        } else if (rest.starts_with("<!--")) {
            problem = skipTo("-->", "comment");
        } else if (rest.starts_with("<![CDATA[")) {
            if (open.empty())
                return "text outside the top element";
            problem = skipTo("]]>", "CDATA section");
        } else if (rest.starts_with("<!")) {
            problem = skipTo(">", "declaration");
        } else if (rest.starts_with("</")) {
            problem = skipTo(">", "end tag");
            std::string name = tagName(rest.substr(2));
            if (problem.empty() && (open.empty() || open.back() != name))
                return open.empty() ? "end tag </" + name + "> without a start tag"
                                    : "end tag </" + name + "> where </" + open.back() + "> belongs";
            if (problem.empty())
                open.pop_back();
        } else {
            // A '>' inside a quoted attribute value does not end the tag.
            char quote = 0;
            std::size_t end = 1;
            for (; end < rest.size(); ++end) {
                if (quote) {
                    if (rest[end] == quote)
                        quote = 0;
                } else if (rest[end] == '"' || rest[end] == '\'') {
                    quote = rest[end];
                } else if (rest[end] == '>') {
                    break;
                }
            }
            if (end >= rest.size())
                return "unterminated start tag";
            std::string name = tagName(rest.substr(1));
            if (name.empty())
                return "a '<' that starts no tag";
            if (open.empty() && ++topElements > 1)
                return "a second top element <" + name + ">";
            if (rest[end - 1] != '/')
                open.push_back(name);
            at = lt + end + 1;
        }
        if (!problem.empty())
            return problem;
    }
    if (!open.empty())
        return "missing end tag of <" + open.back() + ">";
    if (topElements == 0)
        return "no element";
    return std::string();
}

bool isWholeNumber(std::u16string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    return true;
}

bool isNumber(std::u16string_view text)
{
    if (text.empty() || text.size() > 64)
        return false;
    std::u16string copy(text);
    const WCHAR* end = nullptr;
    double value = WideToDouble(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value) && copy[0] != u' ';
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

template <typename... Args> void CActionStack::noteLoadProblem(std::u16string_view format, const Args&... args)
{
    ++m_loadProblems;
    LogError(format, args...);
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
    m_loadProblems = 0;
    // The reader takes what it can out of a damaged file; the user still hears that it is one.
    std::string wellFormed = wellFormedProblem(readWholeFile(file));
    if (!wellFormed.empty())
        noteLoadProblem(u"Stack: %s is not well-formed XML: %s", path, wellFormed);
    const char* rootTag = document.Handle()->GetTagText();
    if (wellFormed.empty() && rootTag && std::string_view(rootTag) != "stack")
        noteLoadProblem(u"Stack: %s: the top element is <%s>, not <stack>", path, rootTag);

    int count = document.GetNumChildren();
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<TvXml> element(document.GetChild(i));
        if (!element)
            continue;
        TvString type;
        element->GetAttrValue("type", type);
        std::u16string typeKey = FromTvString(type);
        RefPtr<CAction> action = RefPtr<CAction>::Adopt(CreateActionByType(typeKey));
        const char* tag = element->Handle()->GetTagText();
        if (!action && typeKey.empty() && tag && std::string_view(tag) != "action") {
            noteLoadProblem(u"Stack: %s: element %d <%s> is not an action; it is left out", path, i + 1, tag);
            continue;
        }
        if (!action) {
            noteLoadProblem(u"Stack: %s: action %d: no action has the type \"%s\"; the action is left out", path,
                i + 1, typeKey);
            continue;
        }
        checkProperties(*action, *element, path, i + 1);
        action->LoadFromXml(element.get());
        InsertAction(action.get(), -1);
    }
    return RESULT_SUCCESS;
}

// Each child of an action element names one of the action's properties and holds a value the
// property takes. A value that is not taken is dropped, so the action runs with its default.
void CActionStack::checkProperties(CAction& action, TvXml& element, std::u16string_view path, int number)
{
    std::vector<std::u16string> names;
    std::vector<std::u16string> defaults;
    action.EnumerateProperties(names, defaults);
    ClsXml* handle = element.Handle();
    const int children = handle->GetNumChildren();
    for (int j = 0; j < children; ++j) {
        std::unique_ptr<ClsXml> child(handle->GetChild(j));
        if (!child)
            continue;
        std::u16string name = Utf8ToUtf16(child->GetTagText() ? child->GetTagText() : "");
        auto known = std::find(names.begin(), names.end(), name);
        if (known == names.end()) {
            noteLoadProblem(u"Stack: %s: action %d (%s) has no property \"%s\"; it is ignored", path, number,
                action.GetTypeKey(), name);
            continue;
        }
        const std::u16string& defaultValue = defaults[std::size_t(known - names.begin())];
        std::u16string value = Utf8ToUtf16(child->GetContentText() ? child->GetContentText() : "");
        std::u16string expected;
        if (AcceptsPropertyValue(action, name, defaultValue, value, expected))
            continue;
        noteLoadProblem(u"Stack: %s: action %d (%s): property %s: \"%s\" is not %s; the default \"%s\" is kept", path,
            number, action.GetTypeKey(), name, value, expected, defaultValue);
        // Taken out so that LoadFromXml leaves the default in place.
        child->SetTag("");
    }
}

bool AcceptsPropertyValue(const CAction& action, std::u16string_view name, std::u16string_view defaultValue,
    std::u16string_view value, std::u16string& expected)
{
    std::vector<std::u16string> choices = action.GetAcceptedValues(name);
    if (!choices.empty()) {
        if (std::find(choices.begin(), choices.end(), value) != choices.end())
            return true;
        expected = u"one of";
        for (std::size_t k = 0; k < choices.size(); ++k)
            expected += (k == 0 ? u" " : u", ") + choices[k];
        return false;
    }
    if (isWholeNumber(defaultValue)) {
        expected = u"a whole number";
        return isWholeNumber(value);
    }
    if (isNumber(defaultValue)) {
        expected = u"a number";
        return isNumber(value);
    }
    return true;
}
