#pragma once
// Decodes uuencoded data (there is no encoder: only received mail carries this format).

#include "components/foundation/StringBuffer.h"

#include <memory>
#include <vector>

class DataBuffer;
class ExtPtrArray;

class Uu {
public:
    Uu() = default;
    virtual ~Uu() = default;

    // Decodes the first file of the text into `out` (appended) and keeps its name; false when no
    // valid "begin" line is found.
    bool Decode(const torvane::StringBuffer& text, DataBuffer& out);
    // Every file of the text: its bytes and a new StringBuffer name each, appended to the two
    // arrays, which own them. Returns the count.
    int DecodeAll(const torvane::StringBuffer& text, std::vector<std::unique_ptr<DataBuffer>>& outputs,
        ExtPtrArray& names);
    const char* GetFileName() const { return m_fileName.GetText(); }

private:
    torvane::StringBuffer m_fileName;
};
