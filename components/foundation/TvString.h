#pragma once
// The public string class: hands text to the library and back. Its 8-bit text is UTF-8 when the
// UTF-8 flag is set, ANSI otherwise.

#include "components/foundation/TvObject.h"
#include "platform/base/Types.h"

class XString;

class TvString : public TvObject {
public:
    TvString();
    TvString(const TvString&) = delete;
    TvString& operator=(const TvString&) = delete;
    ~TvString() override;

    void SetUtf16(const WCHAR* text);
    void SetUtf8(const char* text);
    const WCHAR* GetUtf16();
    const char* GetAnsi();
    const char* GetUtf8();
    // UTF-8 or ANSI by the flag.
    const char* GetString();
    void Clear();

    bool GetUtf8Flag() const { return m_utf8; }
    void SetUtf8Flag(bool utf8) { m_utf8 = utf8; }
    XString& Value() { return *m_value; }

private:
    XString* m_value;
    bool m_utf8 = false;
};
