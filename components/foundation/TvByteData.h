#pragma once
// The public byte container: carries a DataBuffer to the application.

#include "components/foundation/TvObject.h"

class DataBuffer;
class TvString;

class TvByteData : public TvObject {
public:
    TvByteData();
    TvByteData(const TvByteData&) = delete;
    TvByteData& operator=(const TvByteData&) = delete;
    ~TvByteData() override;

    // Renders the bytes in a named encoding ("hex", "base64", "qp", "url") and appends the text to
    // out as UTF-8; an unknown name appends nothing.
    void Encode(const char* encodingName, TvString& out);

    DataBuffer& Data() { return *m_data; }
    bool GetUtf8Flag() const { return m_utf8; }
    void SetUtf8Flag(bool utf8) { m_utf8 = utf8; }

private:
    DataBuffer* m_data;
    bool m_utf8 = false;
};
