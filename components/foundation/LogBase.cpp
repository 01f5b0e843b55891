#include "components/foundation/LogBase.h"

#include "components/foundation/StringBuffer.h"
#include "components/foundation/QuotedPrintable.h"

#include <cstring>

bool LogBase::LogDataQuotedPrintable(const char* tag, const char* text)
{
    torvane::StringBuffer encoded;
    if (text) {
        std::string qp = QuotedPrintableEncode(reinterpret_cast<const unsigned char*>(text), unsigned(std::strlen(text)),
            kMailLineLength);
        encoded.AppendBytes(qp.data(), int(qp.size()));
    }
    return LogData(tag, encoded.GetText());
}

bool LogDataQuotedPrintable(LogBase& log, const char* tag, const char* text)
{
    return log.LogDataQuotedPrintable(tag, text);
}
