#pragma once
// A handle on one element of an XML document. Each handle counts on its element and document, and
// a document lives exactly as long as some handle stands in it: deleting the last handle deletes
// the tree. Operations that return a handle return a new one, owned (and deleted) by the caller,
// or null when there is no such element. All text is UTF-8. Only LoadXml, LoadXmlFile and SaveXml
// write to the log (which they clear first).
//
// One thread at a time per document, handles included.

#include "components/foundation/ClsBase.h"

class TreeNode;
class XString;
namespace torvane {
class StringBuffer;
}

class ClsXml : public ClsBase {
public:
    // A new document whose top element is "unnamed".
    ClsXml();
    ~ClsXml() override;

    // A new handle on the element; null for a null or dead element.
    static ClsXml* WrapElement(TreeNode* element);

    // Document.
    // The text is parsed as UTF-8 (no mark or declared encoding honoured), with trimming; the
    // handle moves to the new document only on success (an element was found).
    bool LoadXml(const char* text, bool unused = true);
    bool LoadXml(const XString& text);
    bool LoadXmlFile(const char* utf8Path, bool trim);
    bool SaveXml(const char* utf8Path);
    // Clears out and writes the element in the text form (with the prolog when it is the top
    // element). False only when the text could not be held in memory.
    bool GetXml(torvane::StringBuffer& out);
    bool GetXml(XString& out);
    bool SetEncoding(const char* charset);

    // Element.
    bool SetTag(const char* tag);
    const char* GetTagText() const;
    const char* GetContentText() const;
    void GetContent(XString& out) const;
    bool SetContent(const char* text);
    int GetNumChildren() const;

    // Attributes.
    bool AddAttribute(const char* name, const char* value);
    bool UpdateAttribute(const char* name, const char* value);
    bool UpdateAttributeInt(const char* name, int value);
    bool GetAttrValue(const char* name, torvane::StringBuffer& out) const;
    bool GetAttrValue(const char* name, XString& out) const;
    int GetAttrValueInt(const char* name) const;
    bool HasAttrWithValue(const char* name, const char* value) const;
    // The attributes in document order; false outside 0 .. count - 1.
    int GetNumAttributes() const;
    bool GetAttributeName(int index, XString& out) const;
    bool GetAttributeValue(int index, XString& out) const;

    // Children and searches; each result is a new handle or null.
    ClsXml* GetChild(int index) const;
    ClsXml* FirstChild() const;
    ClsXml* GetRoot() const;
    ClsXml* FindChild(const char* tag) const;
    ClsXml* GetChildWithTag(const char* tag) const { return FindChild(tag); }
    ClsXml* GetNthChildWithTag(const char* tag, int n) const;
    ClsXml* FindChildWithAttribute(const char* tag, const char* attributeName, const char* pattern) const;
    // Breadth-first from this element, after the other handle's element (or from the start).
    ClsXml* SearchForTag(const ClsXml* after, const char* tag) const;
    bool GetChildContent(const char* tag, torvane::StringBuffer& out) const;
    bool GetChildContent(const char* tag, XString& out) const;

    // Building.
    ClsXml* NewChild(const char* tag, const char* text);
    void NewChild2(const char* tag, const char* text);
    void UpdateChildContent(const char* tag, const char* text);
    void UpdateChildContentInt(const char* tag, int value);
    void UpdateChildContentBool(const char* tag, bool value);
    // Takes the other handle's element out of its document and appends it here. False only for a
    // null handle; a refused adoption (an ancestor, or this document's top) still gives true.
    bool AddChildTree(ClsXml* other);
    void RemoveAllChildren();

    // Moving this handle; false and no move when there is no such element.
    bool MoveToParent();
    bool MoveToFirstChild();
    bool MoveToNextSibling();

    TreeNode* GetElement() const { return m_element; }

private:
    explicit ClsXml(TreeNode* element);
    // Moves this handle (its count) to another element, deleting the old document when this was
    // its last handle.
    void StandOn(TreeNode* element);
    void ReleaseElement();
    bool ReplaceDocument(TreeNode* top);

    TreeNode* m_element;
};
