#pragma once
// A list of owned strings (tagged UTF-8) with a count per distinct string, optionally rejecting
// duplicates, trimming and normalising line ends.

#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/StringConsumer.h"
#include "components/foundation/TorvaneObject.h"

class HashMap;
namespace torvane {
class StringBuffer;
}

class ClsStringArray : public StringConsumer, public TorvaneObject {
public:
    ClsStringArray();
    ClsStringArray(const ClsStringArray&) = delete;
    ClsStringArray& operator=(const ClsStringArray&) = delete;
    ~ClsStringArray() override;

    void Append(const char* text);
    const char* GetString(int index) const;
    bool GetStringInto(int index, torvane::StringBuffer& out);
    bool RemoveAt(int index);
    bool PopLast(torvane::StringBuffer& out);
    bool SetRejectDuplicates(bool reject);
    void SetTrim(bool trim) { m_trim = trim; }
    void SetCrlf(bool crlf) { m_crlf = crlf; }
    int GetCount() const { return m_strings.GetCount(); }

private:
    void Normalise(torvane::StringBuffer& text) const;

    bool m_rejectDuplicates = false;
    bool m_trim = false;
    bool m_crlf = true;
    ExtPtrArray m_strings;
    HashMap* m_counts;
};
