#pragma once
// Private to the ISO-2022 passes: collects output bytes in a small local block and appends them to
// the caller's buffer when it fills and at the end.

#include "components/foundation/DataBuffer.h"

class BufferedAppender {
public:
    explicit BufferedAppender(DataBuffer& out)
        : m_out(out)
    {
    }
    ~BufferedAppender() { Flush(); }
    BufferedAppender(const BufferedAppender&) = delete;
    BufferedAppender& operator=(const BufferedAppender&) = delete;

    void Put(unsigned char byte)
    {
        if (m_count == sizeof(m_block))
            Flush();
        m_block[m_count++] = byte;
    }
    void Put(unsigned char a, unsigned char b)
    {
        Put(a);
        Put(b);
    }
    void Put(unsigned char a, unsigned char b, unsigned char c)
    {
        Put(a);
        Put(b);
        Put(c);
    }
    void Flush()
    {
        if (m_count)
            m_out.Append(m_block, m_count);
        m_count = 0;
    }

private:
    DataBuffer& m_out;
    unsigned char m_block[200];
    unsigned m_count = 0;
};
