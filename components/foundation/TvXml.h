#pragma once
// The public XML element class: wraps one ClsXml handle. Its 8-bit text arguments are UTF-8 when
// the UTF-8 flag is set and ANSI otherwise; results go into the caller's TvString. Returned TvXml
// objects are new, owned by the caller, and take over this object's flag.

#include "components/foundation/TvObject.h"

class ClsXml;
class TvString;

class TvXml : public TvObject {
public:
    // A new document whose top element is "unnamed".
    TvXml();
    TvXml(const TvXml&) = delete;
    TvXml& operator=(const TvXml&) = delete;
    ~TvXml() override;

    bool GetUtf8Flag() const { return m_utf8; }
    void SetUtf8Flag(bool utf8) { m_utf8 = utf8; }

    // The text is handed on unconverted, whatever the flag.
    bool LoadXml(const char* text);
    // The path is always ANSI text. Text runs are trimmed unless trim is false.
    bool LoadXmlFile(const char* ansiPath, bool trim = true);
    // Replaces the file only once the new text is complete; the old file survives any failure.
    bool SaveXml(const char* path);
    bool GetXml(TvString& out);
    bool SetTag(const char* tag);
    bool GetTag(TvString& out);
    bool GetContent(TvString& out);
    bool SetContent(const char* text);
    int GetNumChildren();
    bool AddAttribute(const char* name, const char* value);
    // Removes every attribute of the name (taken as given, not trimmed) and appends the new one.
    bool UpdateAttribute(const char* name, const char* value);
    bool GetAttrValue(const char* name, TvString& out);
    // The attributes in document order; false outside 0 .. count - 1.
    int GetNumAttributes();
    bool GetAttributeName(int index, TvString& out);
    bool GetAttributeValue(int index, TvString& out);
    TvXml* GetChild(int index);
    TvXml* GetRoot();
    TvXml* FindChild(const char* tag);
    TvXml* GetNthChildWithTag(const char* tag, int n);
    // `after` may be null.
    TvXml* SearchForTag(TvXml* after, const char* tag);
    bool GetChildContent(const char* tag, TvString& out);
    TvXml* NewChild(const char* tag, const char* text);
    bool AddChildTree(TvXml* other);
    void RemoveAllChildren();
    void LastErrorText(TvString& out);

    ClsXml* Handle() { return m_handle; }

private:
    TvXml(ClsXml* handle, bool utf8);
    TvXml* Wrap(ClsXml* handle) const;

    ClsXml* m_handle;
    bool m_utf8 = false;
};
