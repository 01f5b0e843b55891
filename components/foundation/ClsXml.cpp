#include "components/foundation/ClsXml.h"

#include "components/foundation/AttributeSet.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TreeNode.h"
#include "components/foundation/XString.h"
#include "components/foundation/XmlParser.h"

namespace {

// Tags and attribute names are taken without surrounding whitespace unless an operation says not.
torvane::StringBuffer Trimmed(const char* text)
{
    torvane::StringBuffer trimmed(text ? text : "");
    trimmed.Trim();
    return trimmed;
}

} // namespace

ClsXml::ClsXml()
    : m_element(TreeNode::CreateRoot("unnamed"))
{
    m_element->AddHandle();
}

ClsXml::ClsXml(TreeNode* element)
    : m_element(element)
{
    m_element->AddHandle();
}

ClsXml::~ClsXml() { ReleaseElement(); }

ClsXml* ClsXml::WrapElement(TreeNode* element)
{
    if (!element || !element->IsAlive())
        return nullptr;
    return new ClsXml(element);
}

void ClsXml::ReleaseElement()
{
    TreeNode* element = m_element;
    m_element = nullptr;
    if (!element || !element->IsAlive())
        return;
    element->ReleaseHandle();
    if (element->DocumentHandleCount() == 0)
        element->DeleteDocument();
}

void ClsXml::StandOn(TreeNode* element)
{
    // Counting on the new element first keeps a shared document alive through the move.
    element->AddHandle();
    ReleaseElement();
    m_element = element;
}

bool ClsXml::ReplaceDocument(TreeNode* top)
{
    if (!top)
        return false;
    StandOn(top);
    return true;
}

// --- Document -----------------------------------------------------------------------------------

bool ClsXml::LoadXml(const char* text, bool unused)
{
    (void)unused;
    BeginPublicCall("LoadXml", 0);
    torvane::StringBuffer copy(text ? text : "");
    TreeNode* top = nullptr;
    ParseXmlText(copy, &m_log, nullptr, &top, /*trim=*/true);
    bool loaded = ReplaceDocument(top);
    EndPublicCall();
    return loaded;
}

bool ClsXml::LoadXml(const XString& text) { return LoadXml(text.GetUtf8()); }

bool ClsXml::LoadXmlFile(const char* utf8Path, bool trim)
{
    BeginPublicCall("LoadXmlFile", 0);
    torvane::StringBuffer path = Trimmed(utf8Path);
    TreeNode* top = nullptr;
    bool loaded = LoadXmlFileToTree(path.GetText(), &m_log, nullptr, &top, trim) && ReplaceDocument(top);
    EndPublicCall();
    return loaded;
}

bool ClsXml::SaveXml(const char* utf8Path)
{
    BeginPublicCall("SaveXml", 0);
    bool saved = SaveXmlTreeToFile(m_element, utf8Path, m_log);
    EndPublicCall();
    return saved;
}

bool ClsXml::GetXml(torvane::StringBuffer& out)
{
    out.Clear();
    if (m_element->WriteXml(out, 0, 0))
        return true;
    out.Clear();
    return false;
}

bool ClsXml::GetXml(XString& out)
{
    torvane::StringBuffer text;
    bool written = GetXml(text);
    out.SetFromUtf8(text.GetText());
    return written;
}

bool ClsXml::SetEncoding(const char* charset)
{
    torvane::StringBuffer cleaned = Trimmed(charset);
    for (char c : { ' ', '\r', '\n', '<', '>', '/' })
        cleaned.RemoveChar(c);
    m_element->SetDeclaredEncoding(cleaned.GetText());
    return true;
}

// --- Element ------------------------------------------------------------------------------------

bool ClsXml::SetTag(const char* tag)
{
    m_element->SetTag(tag);
    return true;
}

const char* ClsXml::GetTagText() const { return m_element->GetTag(); }

const char* ClsXml::GetContentText() const { return m_element->GetContent(); }

void ClsXml::GetContent(XString& out) const { out.SetFromUtf8(m_element->GetContent()); }

bool ClsXml::SetContent(const char* text)
{
    m_element->SetContent(text);
    return true;
}

int ClsXml::GetNumChildren() const { return m_element->NumChildren(); }

// --- Attributes ---------------------------------------------------------------------------------

bool ClsXml::AddAttribute(const char* name, const char* value)
{
    m_element->AddAttribute(Trimmed(name).GetText(), value);
    return true;
}

bool ClsXml::UpdateAttribute(const char* name, const char* value)
{
    m_element->UpdateAttribute(name, value);
    return true;
}

bool ClsXml::UpdateAttributeInt(const char* name, int value)
{
    return UpdateAttribute(name, torvane::StringBuffer::IntToStaticText(value));
}

bool ClsXml::GetAttrValue(const char* name, torvane::StringBuffer& out) const
{
    out.Clear();
    return m_element->GetAttribute(Trimmed(name).GetText(), out);
}

int ClsXml::GetNumAttributes() const { return m_element->NumAttributes(); }

bool ClsXml::GetAttributeName(int index, XString& out) const
{
    out.Clear();
    if (index < 0 || index >= GetNumAttributes())
        return false;
    int length = 0;
    const char* name = m_element->Attributes()->NameAt(index, &length);
    out.SetFromUtf8N(name, length);
    return true;
}

bool ClsXml::GetAttributeValue(int index, XString& out) const
{
    out.Clear();
    if (index < 0 || index >= GetNumAttributes())
        return false;
    int length = 0;
    const char* value = m_element->Attributes()->ValueAt(index, &length);
    out.SetFromUtf8N(value, length);
    return true;
}

bool ClsXml::GetAttrValue(const char* name, XString& out) const
{
    torvane::StringBuffer value;
    bool found = GetAttrValue(name, value);
    out.SetFromUtf8(value.GetText());
    return found;
}

int ClsXml::GetAttrValueInt(const char* name) const
{
    torvane::StringBuffer value;
    if (!GetAttrValue(name, value))
        return 0;
    return value.IntValue();
}

bool ClsXml::HasAttrWithValue(const char* name, const char* value) const
{
    return m_element->HasAttributeValue(Trimmed(name).GetText(), value);
}

// --- Children -----------------------------------------------------------------------------------

ClsXml* ClsXml::GetChild(int index) const { return WrapElement(m_element->ChildAt(index)); }

ClsXml* ClsXml::FirstChild() const { return WrapElement(m_element->FirstChild()); }

ClsXml* ClsXml::GetRoot() const { return WrapElement(m_element->GetDocumentRoot()); }

ClsXml* ClsXml::FindChild(const char* tag) const { return WrapElement(m_element->FindChild(Trimmed(tag).GetText())); }

ClsXml* ClsXml::GetNthChildWithTag(const char* tag, int n) const
{
    return WrapElement(m_element->NthChildWithTag(n, Trimmed(tag).GetText()));
}

ClsXml* ClsXml::FindChildWithAttribute(const char* tag, const char* attributeName, const char* pattern) const
{
    return WrapElement(m_element->FindChildByAttributeMatch(Trimmed(tag).GetText(), attributeName, pattern));
}

ClsXml* ClsXml::SearchForTag(const ClsXml* after, const char* tag) const
{
    const TreeNode* afterElement = after ? after->m_element : nullptr;
    return WrapElement(m_element->SearchForTag(afterElement, Trimmed(tag).GetText()));
}

bool ClsXml::GetChildContent(const char* tag, torvane::StringBuffer& out) const
{
    out.Clear();
    TreeNode* child = m_element->FindChild(tag);
    if (!child)
        return false;
    out.Append(child->GetContent());
    return true;
}

bool ClsXml::GetChildContent(const char* tag, XString& out) const
{
    torvane::StringBuffer text;
    bool found = GetChildContent(tag, text);
    out.SetFromUtf8(text.GetText());
    return found;
}

// --- Building -----------------------------------------------------------------------------------

ClsXml* ClsXml::NewChild(const char* tag, const char* text)
{
    torvane::StringBuffer cleaned = Trimmed(tag);
    cleaned.ReplaceChar(' ', '_');
    TreeNode* child = TreeNode::CreateChild(m_element, cleaned.GetText());
    child->SetContent(text);
    if (child->GetParent() != m_element) {
        // The child list could not grow; the lone element is not part of the tree.
        delete child;
        return nullptr;
    }
    return WrapElement(child);
}

void ClsXml::NewChild2(const char* tag, const char* text) { delete NewChild(tag, text); }

void ClsXml::UpdateChildContent(const char* tag, const char* text)
{
    TreeNode* child = m_element->FindChild(Trimmed(tag).GetText());
    if (child) {
        child->SetContent(text);
        return;
    }
    NewChild2(tag, text);
}

void ClsXml::UpdateChildContentInt(const char* tag, int value)
{
    UpdateChildContent(tag, torvane::StringBuffer::IntToStaticText(value));
}

void ClsXml::UpdateChildContentBool(const char* tag, bool value) { UpdateChildContent(tag, value ? "1" : "0"); }

bool ClsXml::AddChildTree(ClsXml* other)
{
    if (!other || !other->m_element)
        return false;
    TreeNode* element = other->m_element;
    element->Detach();
    m_element->AdoptChild(element);
    return true;
}

void ClsXml::RemoveAllChildren()
{
    while (TreeNode* child = m_element->FirstChild()) {
        ClsXml* handle = WrapElement(child);
        if (!handle)
            break;
        child->Detach();
        delete handle;
    }
}

// --- Moving -------------------------------------------------------------------------------------

bool ClsXml::MoveToParent()
{
    TreeNode* parent = m_element->GetParent();
    if (!parent)
        return false;
    StandOn(parent);
    return true;
}

bool ClsXml::MoveToFirstChild()
{
    TreeNode* child = m_element->FirstChild();
    if (!child)
        return false;
    StandOn(child);
    return true;
}

bool ClsXml::MoveToNextSibling()
{
    TreeNode* sibling = m_element->NextSibling();
    if (!sibling)
        return false;
    StandOn(sibling);
    return true;
}
