#pragma once
// The in-memory XML document: elements (TreeNode) with a tag, ordered attributes, one text and
// ordered children, and one TreeInfo per document holding the declaration, the stylesheet
// instructions, the rest of the prolog and the number of API handles standing in the document.
// All text is UTF-8 bytes; tags and names are compared byte for byte, with case.
//
// The top element owns the whole tree and its TreeInfo. The API layer (ClsXml) deletes a document
// when its last handle goes. No operation recurses over the tree, so any depth is safe.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/TorvaneObject.h"
#include "platform/base/Types.h"

class AttributeSet;
class ExtPtrArray;
class TreeNode;

class TreeInfo : public TorvaneObject {
public:
    static constexpr BYTE kAlive = 0xCE;
    static constexpr BYTE kDead = 0x31;

    TreeInfo();
    TreeInfo(const TreeInfo&) = delete;
    TreeInfo& operator=(const TreeInfo&) = delete;
    // Deletes the prolog, the declaration and the stylesheets; never the root.
    ~TreeInfo() override;

    bool IsAlive() const { return m_marker == kAlive; }
    int StylesheetCount() const;
    TreeNode* StylesheetAt(int index) const;
    // Takes ownership of a stylesheet element (the top element of a document of its own).
    void AddStylesheet(TreeNode* element);
    // Takes ownership; a previous declaration is deleted.
    void SetDeclaration(TreeNode* element);

    BYTE m_marker;
    TreeNode* m_root;
    TreeNode* m_declaration;
    ExtPtrArray* m_stylesheets;
    torvane::StringBuffer* m_prolog;
    int m_handleCount;
};

class TreeNode : public TorvaneObject {
public:
    static constexpr BYTE kAlive = 0xCE;
    static constexpr BYTE kDead = 0x31;

    TreeNode();
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;
    // Deletes the subtree (iteratively) and, for a document's top element, the TreeInfo.
    ~TreeNode() override;

    bool IsAlive() const { return m_marker == kAlive; }

    // Building and moving.
    static TreeNode* CreateRoot(const char* tag);
    // Appended as the parent's last child; a null parent gives CreateRoot.
    static TreeNode* CreateChild(TreeNode* parent, const char* tag);
    // Appends the top element of another document as last child. Refused (false, nothing
    // changed) when the element has another parent or already belongs to this document.
    bool AdoptChild(TreeNode* element);
    // Takes this element and its subtree out of its parent into a document of their own. The old
    // document is deleted at once when no handle remains in it.
    void Detach();

    // Tag and text; missing text reads as "".
    const char* GetTag() const;
    void SetTag(const char* tag);
    bool TagEquals(const char* tag) const;
    const char* GetContent() const;
    // Null empties an existing text and makes none.
    void SetContent(const char* text);
    bool HasContent() const;
    torvane::StringBuffer* GetOrCreateContent();
    torvane::StringBuffer* ContentBuffer() const { return m_text; }
    bool IsCdata() const { return m_cdata; }
    void SetCdata(bool cdata) { m_cdata = cdata; }

    // Children.
    int NumChildren() const;
    bool HasChildList() const { return m_children != nullptr; }
    TreeNode* ChildAt(int index) const;
    TreeNode* FirstChild() const { return ChildAt(0); }
    TreeNode* GetDocumentRoot() const;
    TreeNode* GetParent() const { return m_parent; }
    TreeNode* NextSibling() const { return m_next; }
    TreeNode* PreviousSibling() const { return m_previous; }
    TreeInfo* GetDocument() const { return ValidDocument(); }
    bool IsDocumentRoot() const;

    // Attributes.
    bool AddAttribute(const char* name, const char* value);
    bool AddAttributeBytes(const char* name, int nameLength, const char* value, int valueLength);
    bool UpdateAttribute(const char* name, const char* value);
    void RemoveAttribute(const char* name);
    bool GetAttribute(const char* name, torvane::StringBuffer& out) const;
    bool HasAttribute(const char* name) const;
    bool HasAttributeValue(const char* name, const char* value) const;
    int NumAttributes() const;
    const AttributeSet* Attributes() const { return m_attributes; }

    // Searches (tags exactly, with case).
    TreeNode* FindChild(const char* tag) const;
    TreeNode* NthChildWithTag(int n, const char* tag) const;
    TreeNode* FindChildByAttributeMatch(const char* tag, const char* attributeName, const char* pattern) const;
    // The first element in level order, this one included, that comes after `after` (or the first
    // at all when it is null) and has the tag.
    TreeNode* SearchForTag(const TreeNode* after, const char* tag);

    // Handles and the document record.
    void AddHandle();
    int ReleaseHandle();
    int GetHandleCount() const { return m_handleCount; }
    int DocumentHandleCount() const;
    void DeleteDocument();
    bool GetDeclaredEncoding(torvane::StringBuffer& out) const;
    bool GetDeclaredStandalone(torvane::StringBuffer& out) const;
    void SetDeclaredEncoding(const char* charset);
    void SetPrologText(const char* text);
    // Makes a TreeInfo with this element as root when it has none (the parser's finished tops).
    void EnsureDocument();

    // Appends the text form of this element and its subtree. False only when the output could
    // not grow (the output is then incomplete and must not be used).
    bool WriteXml(torvane::StringBuffer& out, int index, int depth);

private:
    TreeInfo* ValidDocument() const;
    void LinkAsLastChild(TreeNode* element);
    // Points every element of the subtree at the document.
    void SetSubtreeDocument(TreeInfo* document);
    int SubtreeHandleCount() const;

    TreeInfo* m_document;
    torvane::StringBuffer* m_tag;
    AttributeSet* m_attributes;
    torvane::StringBuffer* m_text;
    int m_handleCount;
    bool m_cdata;
    ExtPtrArray* m_children;
    TreeNode* m_parent;
    TreeNode* m_next;
    TreeNode* m_previous;
    BYTE m_marker;
};
