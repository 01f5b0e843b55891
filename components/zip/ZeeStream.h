#pragma once
// Raw DEFLATE compression (RFC 1951): no header, no checksum, the form a zip entry stores as method 8.
//
// The caller points the stream at its input and output before each call to Deflate; the call
// advances both. Feed input with finish = false while it lasts, then call with finish = true
// (with fresh output room each time) until streamEnd comes back true.

#include "platform/base/Types.h"

class ZeeDeflateState;

class ZeeStream {
public:
  // Levels outside 0-9 are taken as 6.
  explicit ZeeStream(int level);
  virtual ~ZeeStream();

  ZeeStream(const ZeeStream&) = delete;
  ZeeStream& operator=(const ZeeStream&) = delete;

  // Takes effect only before the first byte of input has been consumed: switching methods in the
  // middle of a stream would lose bytes the previous method still holds.
  void SetLevel(int level);

  void SetInput(const BYTE* data, DWORD count) {
    m_input = data;
    m_inputAvailable = count;
  }
  void SetOutput(BYTE* buffer, DWORD room) {
    m_output = buffer;
    m_outputAvailable = room;
  }

  const BYTE* InputPointer() const { return m_input; }
  DWORD InputAvailable() const { return m_inputAvailable; }
  DWORD TotalIn() const { return m_totalIn; }
  BYTE* OutputPointer() const { return m_output; }
  DWORD OutputAvailable() const { return m_outputAvailable; }
  DWORD TotalOut() const { return m_totalOut; }
  bool IsFinished() const { return m_status == Status::Finished; }

  // Compresses what fits. Returns false, changing nothing, on misuse: no output room, a count
  // without a pointer, input after the end of the stream, a no-flush request after the end, or a
  // no-flush call that could not do anything. streamEnd is true once a finish request has produced
  // the whole stream and all of it has been copied out.
  bool Deflate(bool finish, bool* streamEnd);

private:
  friend class ZeeDeflateState;

  enum class Status { Busy, Finished };

  Status m_status = Status::Busy;
  ZeeDeflateState* m_state = nullptr;
  const BYTE* m_input = nullptr;
  DWORD m_inputAvailable = 0;
  DWORD m_totalIn = 0;
  BYTE* m_output = nullptr;
  DWORD m_outputAvailable = 0;
  DWORD m_totalOut = 0;
  int m_lastFlush = -1;  // the previous request; -1 when none or when the last call ran out of room
};
