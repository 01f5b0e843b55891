#include "components/foundation/TvByteData.h"

#include "components/foundation/DataBuffer.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/TvString.h"
#include "components/foundation/XString.h"

TvByteData::TvByteData()
    : m_data(new DataBuffer())
{
}

TvByteData::~TvByteData() { delete m_data; }

void TvByteData::Encode(const char* encodingName, TvString& out)
{
    torvane::StringBuffer text;
    m_data->EncodeTo(encodingName, text);
    out.Value().AppendUtf8(text.GetText());
}
