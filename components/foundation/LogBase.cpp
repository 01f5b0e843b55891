#include "components/foundation/LogBase.h"

#include "components/foundation/StringBuffer.h"
#include "components/mail/ContentCoding.h"

#include <cstring>

bool LogBase::LogDataQuotedPrintable(const char* tag, const char* text)
{
    torvane::StringBuffer encoded;
    if (text) {
        ContentCoding coding;
        coding.EncodeQuotedPrintable(reinterpret_cast<const unsigned char*>(text), unsigned(std::strlen(text)), encoded);
    }
    return LogData(tag, encoded.GetText());
}

bool LogDataQuotedPrintable(LogBase& log, const char* tag, const char* text)
{
    return log.LogDataQuotedPrintable(tag, text);
}
