#include "components/foundation/TreeNode.h"

#include "components/foundation/AttributeSet.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/Queue.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kInitialChildCapacity = 5;
constexpr int kChildGrowthStep = 5;
constexpr int kCdataTextCapacity = 120;

TreeNode* ChildIn(const ExtPtrArray* children, int index)
{
    return children ? static_cast<TreeNode*>(children->GetAt(index)) : nullptr;
}

} // namespace

// --- TreeInfo -----------------------------------------------------------------------------------

TreeInfo::TreeInfo()
    : m_marker(kAlive)
    , m_root(nullptr)
    , m_declaration(nullptr)
    , m_stylesheets(nullptr)
    , m_prolog(nullptr)
    , m_handleCount(0)
{
}

TreeInfo::~TreeInfo()
{
    m_marker = kDead;
    delete m_prolog;
    m_prolog = nullptr;
    if (m_declaration && m_declaration->IsAlive())
        delete m_declaration;
    m_declaration = nullptr;
    if (m_stylesheets) {
        for (int i = 0; i < m_stylesheets->GetCount(); ++i) {
            auto* sheet = static_cast<TreeNode*>(m_stylesheets->GetAt(i));
            if (sheet && sheet->IsAlive())
                delete sheet;
        }
        delete m_stylesheets;
        m_stylesheets = nullptr;
    }
    m_root = nullptr;
}

int TreeInfo::StylesheetCount() const { return m_stylesheets ? m_stylesheets->GetCount() : 0; }

TreeNode* TreeInfo::StylesheetAt(int index) const { return ChildIn(m_stylesheets, index); }

void TreeInfo::AddStylesheet(TreeNode* element)
{
    if (!element)
        return;
    if (!m_stylesheets)
        m_stylesheets = new ExtPtrArray();
    int before = m_stylesheets->GetCount();
    if (m_stylesheets->Append(element) == before)
        delete element;
}

void TreeInfo::SetDeclaration(TreeNode* element)
{
    if (m_declaration == element)
        return;
    if (m_declaration && m_declaration->IsAlive())
        delete m_declaration;
    m_declaration = element;
}

// --- TreeNode: life -----------------------------------------------------------------------------

TreeNode::TreeNode()
    : m_document(nullptr)
    , m_tag(nullptr)
    , m_attributes(nullptr)
    , m_text(nullptr)
    , m_handleCount(0)
    , m_cdata(false)
    , m_children(nullptr)
    , m_parent(nullptr)
    , m_next(nullptr)
    , m_previous(nullptr)
    , m_marker(kAlive)
{
}

TreeNode::~TreeNode()
{
    m_marker = kDead;
    delete m_tag;
    m_tag = nullptr;
    delete m_text;
    m_text = nullptr;
    delete m_attributes;
    m_attributes = nullptr;

    // Children are taken off their lists before they are deleted, so each deletion below finds
    // no children of its own and the depth of the tree never reaches the call stack.
    std::vector<TreeNode*> pending;
    auto takeChildren = [&pending](TreeNode* node) {
        if (!node->m_children)
            return;
        for (int i = node->m_children->GetCount() - 1; i >= 0; --i) {
            auto* child = static_cast<TreeNode*>(node->m_children->GetAt(i));
            if (child && child->IsAlive())
                pending.push_back(child);
        }
        delete node->m_children;
        node->m_children = nullptr;
    };
    takeChildren(this);
    while (!pending.empty()) {
        TreeNode* node = pending.back();
        pending.pop_back();
        takeChildren(node);
        node->m_parent = nullptr;
        delete node;
    }

    m_parent = nullptr;
    m_next = nullptr;
    m_previous = nullptr;
    m_handleCount = 0;
    if (m_document && m_document->IsAlive() && m_document->m_root == this)
        delete m_document;
    m_document = nullptr;
}

TreeInfo* TreeNode::ValidDocument() const
{
    return (m_document && m_document->IsAlive()) ? m_document : nullptr;
}

bool TreeNode::IsDocumentRoot() const
{
    TreeInfo* document = ValidDocument();
    return document && document->m_root == this;
}

void TreeNode::EnsureDocument()
{
    if (ValidDocument())
        return;
    auto* document = new TreeInfo();
    document->m_root = this;
    SetSubtreeDocument(document);
}

TreeNode* TreeNode::CreateRoot(const char* tag)
{
    auto* node = new TreeNode();
    if (tag && *tag)
        node->SetTag(tag);
    auto* document = new TreeInfo();
    document->m_root = node;
    node->m_document = document;
    return node;
}

TreeNode* TreeNode::CreateChild(TreeNode* parent, const char* tag)
{
    if (!parent)
        return CreateRoot(tag);
    auto* node = new TreeNode();
    if (tag && *tag)
        node->SetTag(tag);
    node->m_document = parent->m_document;
    parent->LinkAsLastChild(node);
    return node;
}

void TreeNode::LinkAsLastChild(TreeNode* element)
{
    if (!m_children) {
        // Runs of similar elements (records of a list) get lists of the right size at once.
        int capacity = kInitialChildCapacity;
        if (m_previous && m_previous->NumChildren() > 0)
            capacity = m_previous->NumChildren();
        m_children = new ExtPtrArray();
        m_children->ConstructWithCapacity(capacity, kChildGrowthStep);
    }
    TreeNode* last = ChildIn(m_children, m_children->GetCount() - 1);
    int before = m_children->GetCount();
    if (m_children->Append(element) == before) {
        // Out of memory: the element stays outside the tree, and its caller still owns it.
        return;
    }
    if (last)
        last->m_next = element;
    element->m_previous = last;
    element->m_next = nullptr;
    element->m_parent = this;
}

bool TreeNode::AdoptChild(TreeNode* element)
{
    if (!element || !element->IsAlive() || element == this)
        return false;
    if (element->m_parent && element->m_parent != this)
        return false;
    TreeInfo* ours = ValidDocument();
    TreeInfo* theirs = element->ValidDocument();
    if (theirs && theirs == ours)
        return false;
    // An element that is not its document's top element still has a parent; refused above.
    if (theirs && theirs->m_root != element)
        return false;

    int handles = theirs ? theirs->m_handleCount : 0;
    if (theirs)
        delete theirs;
    element->m_document = ours;
    LinkAsLastChild(element);
    if (element->m_parent != this) {
        // The list could not grow: give the element its own document back.
        element->m_document = nullptr;
        element->EnsureDocument();
        element->m_document->m_handleCount = handles;
        return false;
    }
    element->SetSubtreeDocument(ours);
    if (ours)
        ours->m_handleCount += handles;
    return true;
}

void TreeNode::Detach()
{
    TreeNode* parent = m_parent;
    if (!parent || !parent->m_children)
        return;
    int index = -1;
    for (int i = 0; i < parent->m_children->GetCount(); ++i) {
        if (parent->m_children->GetAt(i) == this) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;
    if (m_previous)
        m_previous->m_next = m_next;
    if (m_next)
        m_next->m_previous = m_previous;
    parent->m_children->RemoveAt(index);
    m_previous = nullptr;
    m_next = nullptr;
    m_parent = nullptr;

    int handles = SubtreeHandleCount();
    TreeInfo* old = ValidDocument();
    m_document = nullptr;
    if (old) {
        old->m_handleCount -= handles;
        if (old->m_handleCount <= 0) {
            old->m_handleCount = 0;
            TreeNode* oldRoot = old->m_root;
            if (oldRoot && oldRoot->IsAlive())
                delete oldRoot;
        }
    }
    auto* document = new TreeInfo();
    document->m_root = this;
    document->m_handleCount = handles;
    SetSubtreeDocument(document);
}

void TreeNode::SetSubtreeDocument(TreeInfo* document)
{
    std::vector<TreeNode*> pending { this };
    while (!pending.empty()) {
        TreeNode* node = pending.back();
        pending.pop_back();
        node->m_document = document;
        for (int i = 0; i < node->NumChildren(); ++i) {
            TreeNode* child = node->ChildAt(i);
            if (child && child->IsAlive())
                pending.push_back(child);
        }
    }
}

int TreeNode::SubtreeHandleCount() const
{
    long long total = 0;
    std::vector<const TreeNode*> pending { this };
    while (!pending.empty()) {
        const TreeNode* node = pending.back();
        pending.pop_back();
        total += node->m_handleCount;
        for (int i = 0; i < node->NumChildren(); ++i) {
            const TreeNode* child = node->ChildAt(i);
            if (child && child->IsAlive())
                pending.push_back(child);
        }
    }
    return total > INT32_MAX ? INT32_MAX : int(total);
}

// --- TreeNode: tag, text, children --------------------------------------------------------------

const char* TreeNode::GetTag() const { return m_tag ? m_tag->GetText() : ""; }

void TreeNode::SetTag(const char* tag)
{
    if (!m_tag) {
        if (!tag)
            return;
        m_tag = new torvane::StringBuffer();
    }
    m_tag->SetText(tag ? tag : "");
    m_tag->ShrinkToFit();
}

bool TreeNode::TagEquals(const char* tag) const
{
    const char* mine = GetTag();
    if (!tag)
        tag = "";
    return mine[0] == tag[0] && std::strcmp(mine, tag) == 0;
}

const char* TreeNode::GetContent() const { return m_text ? m_text->GetText() : ""; }

void TreeNode::SetContent(const char* text)
{
    if (!text) {
        if (m_text)
            m_text->Clear();
        return;
    }
    GetOrCreateContent()->SetText(text);
}

bool TreeNode::HasContent() const { return m_text && m_text->GetLength() > 0; }

torvane::StringBuffer* TreeNode::GetOrCreateContent()
{
    if (!m_text)
        m_text = new torvane::StringBuffer(torvane::StringBuffer::ConstructWithCapacity(kCdataTextCapacity));
    return m_text;
}

int TreeNode::NumChildren() const { return m_children ? m_children->GetCount() : 0; }

TreeNode* TreeNode::ChildAt(int index) const { return ChildIn(m_children, index); }

TreeNode* TreeNode::GetDocumentRoot() const
{
    TreeInfo* document = ValidDocument();
    return document ? document->m_root : nullptr;
}

// --- TreeNode: attributes -----------------------------------------------------------------------

bool TreeNode::AddAttribute(const char* name, const char* value)
{
    if (!name || !*name)
        return false;
    if (!m_attributes)
        m_attributes = new AttributeSet();
    return m_attributes->Add(name, value);
}

bool TreeNode::AddAttributeBytes(const char* name, int nameLength, const char* value, int valueLength)
{
    if (!name || nameLength <= 0)
        return false;
    if (!m_attributes)
        m_attributes = new AttributeSet();
    return m_attributes->AddBytes(name, nameLength, value, valueLength);
}

bool TreeNode::UpdateAttribute(const char* name, const char* value)
{
    if (!name || !*name)
        return false;
    RemoveAttribute(name);
    return AddAttribute(name, value);
}

void TreeNode::RemoveAttribute(const char* name)
{
    if (m_attributes)
        m_attributes->Remove(name);
}

bool TreeNode::GetAttribute(const char* name, torvane::StringBuffer& out) const
{
    if (!m_attributes)
        return false;
    return m_attributes->GetValue(name, out);
}

bool TreeNode::HasAttribute(const char* name) const { return m_attributes && m_attributes->Has(name); }

bool TreeNode::HasAttributeValue(const char* name, const char* value) const
{
    return m_attributes && m_attributes->HasValue(name, value);
}

int TreeNode::NumAttributes() const { return m_attributes ? m_attributes->Count() : 0; }

// --- TreeNode: searches -------------------------------------------------------------------------

TreeNode* TreeNode::FindChild(const char* tag) const
{
    for (int i = 0; i < NumChildren(); ++i) {
        TreeNode* child = ChildAt(i);
        if (child && child->TagEquals(tag))
            return child;
    }
    return nullptr;
}

TreeNode* TreeNode::NthChildWithTag(int n, const char* tag) const
{
    if (n < 0)
        return nullptr;
    for (int i = 0; i < NumChildren(); ++i) {
        TreeNode* child = ChildAt(i);
        if (!child || !child->TagEquals(tag))
            continue;
        if (n == 0)
            return child;
        --n;
    }
    return nullptr;
}

TreeNode* TreeNode::FindChildByAttributeMatch(const char* tag, const char* attributeName, const char* pattern) const
{
    for (int i = 0; i < NumChildren(); ++i) {
        TreeNode* child = ChildAt(i);
        if (child && child->TagEquals(tag) && child->m_attributes
            && child->m_attributes->MatchValue(attributeName, pattern))
            return child;
    }
    return nullptr;
}

TreeNode* TreeNode::SearchForTag(const TreeNode* after, const char* tag)
{
    Queue toVisit;
    Queue toExpand;
    bool started = after == nullptr;
    toVisit.Push(this);
    while (!toVisit.IsEmpty()) {
        auto* node = static_cast<TreeNode*>(toVisit.Pop());
        if (started) {
            if (node->TagEquals(tag))
                return node;
        } else if (node == after) {
            started = true;
        }
        if (node->NumChildren() > 0)
            toExpand.Push(node);
        if (toVisit.IsEmpty() && !toExpand.IsEmpty()) {
            auto* parent = static_cast<TreeNode*>(toExpand.Pop());
            for (int i = 0; i < parent->NumChildren(); ++i)
                toVisit.Push(parent->ChildAt(i));
        }
    }
    return nullptr;
}

// --- TreeNode: handles and the document record --------------------------------------------------

void TreeNode::AddHandle()
{
    ++m_handleCount;
    if (TreeInfo* document = ValidDocument())
        ++document->m_handleCount;
}

int TreeNode::ReleaseHandle()
{
    TreeInfo* document = ValidDocument();
    if (document && document->m_handleCount > 0)
        --document->m_handleCount;
    if (m_handleCount > 0)
        --m_handleCount;
    return m_handleCount;
}

int TreeNode::DocumentHandleCount() const
{
    TreeInfo* document = ValidDocument();
    return document ? document->m_handleCount : 0;
}

void TreeNode::DeleteDocument()
{
    TreeNode* root = GetDocumentRoot();
    if (root && root->IsAlive())
        delete root;
}

bool TreeNode::GetDeclaredEncoding(torvane::StringBuffer& out) const
{
    out.Clear();
    TreeInfo* document = ValidDocument();
    if (!document || !document->m_declaration)
        return false;
    return document->m_declaration->GetAttribute("encoding", out);
}

bool TreeNode::GetDeclaredStandalone(torvane::StringBuffer& out) const
{
    out.Clear();
    TreeInfo* document = ValidDocument();
    if (!document || !document->m_declaration)
        return false;
    return document->m_declaration->GetAttribute("standalone", out);
}

void TreeNode::SetDeclaredEncoding(const char* charset)
{
    TreeInfo* document = ValidDocument();
    if (!document)
        return;
    if (!document->m_declaration) {
        TreeNode* declaration = CreateRoot("xml");
        declaration->AddAttribute("version", "1.0");
        document->m_declaration = declaration;
    }
    document->m_declaration->UpdateAttribute("encoding", charset);
}

void TreeNode::SetPrologText(const char* text)
{
    TreeInfo* document = ValidDocument();
    if (!document)
        return;
    if (!text || !*text) {
        delete document->m_prolog;
        document->m_prolog = nullptr;
        return;
    }
    if (!document->m_prolog)
        document->m_prolog = new torvane::StringBuffer();
    document->m_prolog->SetText(text);
}
