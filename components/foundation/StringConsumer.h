#pragma once
// Receiver of strings; the base does nothing with them.

namespace torvane {
class StringBuffer;
}

class StringConsumer {
public:
    virtual ~StringConsumer() = default;
    virtual void ConsumeString(const torvane::StringBuffer&) { }
};
