#include "components/zip/ZeeStream.h"

#include "components/zip/ZeeDeflateState.h"

#include <new>

namespace {

// Flush requests, ordered: a no-flush call after a no-flush call that had nothing to do is refused.
constexpr int kFlushUnset = -1;
constexpr int kNoFlush = 0;
constexpr int kFinish = 4;

}  // namespace

ZeeStream::ZeeStream(int level) { m_state = new (std::nothrow) ZeeDeflateState(*this, level); }

ZeeStream::~ZeeStream() { delete m_state; }

void ZeeStream::SetLevel(int level) {
  if (m_state == nullptr || m_totalIn != 0 || m_status != Status::Busy) return;
  m_state->SetLevel(level);
}

bool ZeeStream::Deflate(bool finish, bool* streamEnd) {
  if (streamEnd != nullptr) *streamEnd = false;
  if (m_state == nullptr || !m_state->IsValid()) return false;
  if (m_output == nullptr || m_outputAvailable == 0) return false;
  if (m_input == nullptr && m_inputAvailable != 0) return false;
  if (m_status == Status::Finished && (!finish || m_inputAvailable != 0)) return false;

  const int request = finish ? kFinish : kNoFlush;
  const int previous = m_lastFlush;
  if (m_state->PendingCount() != 0) {
    m_lastFlush = request;
    m_state->FlushPending();
    if (m_outputAvailable == 0) {
      // The caller must come back with room; never refuse that call as having nothing to do.
      m_lastFlush = kFlushUnset;
      return true;
    }
  } else if (m_inputAvailable == 0 && request <= previous && !finish) {
    return false;
  }
  m_lastFlush = request;

  if (m_inputAvailable != 0 || m_state->Lookahead() != 0 || (finish && m_status == Status::Busy)) {
    using BlockState = ZeeDeflateState::BlockState;
    const BlockState state = m_state->Compress(finish);
    if (state == BlockState::FinishStarted || state == BlockState::FinishDone) m_status = Status::Finished;
    if (state == BlockState::NeedMore || state == BlockState::FinishStarted) {
      if (m_outputAvailable == 0) m_lastFlush = kFlushUnset;
      return true;
    }
    if (state == BlockState::BlockDone) {
      m_state->FlushPending();
      if (m_outputAvailable == 0) {
        m_lastFlush = kFlushUnset;
        return true;
      }
    }
  }
  if (finish && streamEnd != nullptr) *streamEnd = m_status == Status::Finished && m_state->PendingCount() == 0;
  return true;
}
