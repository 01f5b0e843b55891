#pragma once
// The API-level e-mail: owns one Email2 and logs each public call.

#include "components/foundation/ClsBase.h"
#include "components/foundation/StringBuffer.h"
#include "components/mail/Email2.h"

class XString;

class ClsEmail : public ClsBase {
public:
    ClsEmail();
    ~ClsEmail() override;

    Email2* GetEmail2();
    void SetBody(const XString& text);
    void SetSubject(const XString& text);
    bool AddTo(const char* name, const char* address);
    void SetFrom(const XString& text);
    bool AddFileAttachment(const char* utf8Path, torvane::StringBuffer& contentType);
    bool AddFileAttachmentX(const char* utf8Path, XString& contentType);
    bool HasReplacements() const { return !m_replacements.empty(); }
    Email2* CloneWithReplacements();

private:
    // A new e-mail takes the charset that suits the first text with letters beyond ASCII.
    void ChooseCharset(const XString& text);

    Email2* m_email = nullptr;
    ReplacementPairs m_replacements;
};
