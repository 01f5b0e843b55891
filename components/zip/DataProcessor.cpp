#include "components/zip/DataProcessor.h"

#include "components/foundation/DataSource.h"
#include "components/zip/ZeeStream.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace {

constexpr DWORD kRingSize = 50000;
constexpr DWORD kDefaultInputSize = 60000;

std::atomic<int> g_processorCounter {0};

} // namespace

DataProcessor::DataProcessor()
    : m_name("processor_" + std::to_string(++g_processorCounter))
{
    m_ring.Allocate(kRingSize);
}

DataProcessor::~DataProcessor()
{
    if (m_ownsInput) delete[] m_input;
}

void DataProcessor::SetInputBuffer(BYTE* buffer, DWORD size)
{
    if (m_ownsInput) delete[] m_input;
    m_ownsInput = false;
    m_input = buffer;
    m_inputSize = buffer != nullptr ? size : 0;
}

bool DataProcessor::AllocInputBuffer(DWORD n)
{
    if (m_ownsInput) delete[] m_input;
    m_ownsInput = false;
    m_input = nullptr;
    m_inputSize = 0;
    m_input = new (std::nothrow) BYTE[std::size_t(n) + 4];
    if (m_input == nullptr) return false;
    m_ownsInput = true;
    m_inputSize = n;
    return true;
}

bool DataProcessor::SourceAtEnd() { return m_source == nullptr || m_source->IsAtEnd(); }

bool DataProcessor::EnsureInputBuffer()
{
    if (m_input != nullptr && m_inputSize > 0) return true;
    return AllocInputBuffer(kDefaultInputSize);
}

void DataProcessor::FinishNext()
{
    if (m_next != nullptr && !m_next->IsInputFinished()) {
        m_next->SetInputFinished();
        ++m_movement;
    }
}

template <typename OnRead, typename OnPass>
int DataProcessor::PassThroughStep(BYTE*& cursor, DWORD& pending, bool& readOnce, OnRead onRead, OnPass pass)
{
    if (m_next == nullptr) return -1;
    if (m_source != nullptr) {
        if (!EnsureInputBuffer()) return -1;
        bool atEnd = m_source->IsAtEnd();
        if (pending == 0 && !atEnd) {
            DWORD got = 0;
            if (!m_source->ReadChunk(m_input, m_inputSize, &got, nullptr)) return -1;
            got = std::min(got, m_inputSize);
            atEnd = m_source->IsAtEnd();
            readOnce = true;
            cursor = m_input;
            pending = got;
            onRead(m_input, got);
            if (got > 0 || atEnd) ++m_movement;
        }
        if (readOnce && pending > 0) {
            DWORD space = 0;
            m_next->SpaceAvailable(&space);
            const DWORD n = std::min(space, pending);
            if (n > 0) {
                if (!pass(cursor, n)) return -1;
                cursor += n;
                pending -= n;
            }
        }
        if (pending == 0 && atEnd) FinishNext();
        return 0;
    }

    DWORD space = 0;
    m_next->SpaceAvailable(&space);
    const BYTE* spans[2] = {};
    DWORD counts[2] = {};
    m_ring.GetReadable(&spans[0], &counts[0], &spans[1], &counts[1]);
    const bool inputFinished = IsInputFinished();
    if (counts[0] == 0 && counts[1] == 0) {
        if (inputFinished) FinishNext();
        return 0;
    }
    for (int i = 0; i < 2 && space > 0; ++i) {
        const DWORD n = std::min(space, counts[i]);
        if (n == 0) continue;
        // The ring's bytes are the stage's own; deciphering them in place before they leave is safe.
        BYTE* bytes = const_cast<BYTE*>(spans[i]);
        onRead(bytes, n);
        if (!pass(bytes, n)) return -1;
        m_ring.Consume(n);
        space -= n;
    }
    // Flag the end in the step that empties the ring: the run may take no further step.
    if (m_ring.Held() == 0 && inputFinished) FinishNext();
    return 0;
}

// ---------------------------------------------------------------------------------------------

DeflateProcessor::DeflateProcessor(int level)
    : m_level(level)
{
    m_output = new (std::nothrow) BYTE[kOutputSize];
    if (m_output == nullptr) m_outputSize = 0;
}

DeflateProcessor::~DeflateProcessor()
{
    delete m_compressor;
    delete[] m_output;
}

DWORD DeflateProcessor::BytesHeld()
{
    // Compressed bytes still waiting for the next sink count too: a run must not end before they
    // have gone, whatever kind of sink comes next.
    DWORD held = (m_finished ? 0 : 1) + m_ring.Held() + (m_produced - m_passedOn);
    if (m_source != nullptr) held += m_pending;
    return held;
}

void DeflateProcessor::Begin()
{
    delete m_compressor;
    m_compressor = new (std::nothrow) ZeeStream(m_level);
    if (m_compressor != nullptr) {
        m_compressor->SetInput(nullptr, 0);
        m_compressor->SetOutput(m_output, m_outputSize);
    }
    m_crc.Reset();
    m_crcResult = 0;
    m_uncompressed = m_compressed = 0;
    m_uncompressed64 = m_compressed64 = 0;
    m_cursor = nullptr;
    m_pending = 0;
    m_produced = m_passedOn = 0;
    m_finished = false;
    m_streamEnd = false;
    m_headerWritten = false;
    m_failed = false;
}

bool DeflateProcessor::Compress(bool finishing, DWORD* consumed)
{
    *consumed = 0;
    if (m_compressor == nullptr || m_output == nullptr) return false;
    const DWORD before = m_compressor->InputAvailable();
    m_compressor->SetOutput(m_output, m_outputSize);
    bool streamEnd = false;
    if (!m_compressor->Deflate(finishing, &streamEnd)) return false;
    m_streamEnd = streamEnd;
    if (finishing && streamEnd) m_finished = true;
    *consumed = before - m_compressor->InputAvailable();
    m_passedOn = 0;
    m_produced = m_outputSize - m_compressor->OutputAvailable();
    if (*consumed > 0 || m_produced > 0 || m_finished) ++m_movement;
    return true;
}

bool DeflateProcessor::PassOn()
{
    if (m_produced <= m_passedOn || m_next == nullptr) return true;
    DWORD space = 0;
    m_next->SpaceAvailable(&space);
    const DWORD n = std::min(space, m_produced - m_passedOn);
    if (n == 0) return true;
    BYTE* bytes = m_output + m_passedOn;
    if (TraditionalEncryption()) {
        if (!m_headerWritten) {
            unsigned char header[12];
            m_pwd.SetPassword(m_password.GetText());
            m_pwd.MakeHeader(m_crcForHeader, header);
            m_headerWritten = true;
            m_compressed += 12;
            m_compressed64 += 12;
            // A lost header would leave an entry no reader can open.
            if (!m_next->Write(header, 12)) return false;
        }
        m_pwd.EncryptInPlace(bytes, n);
    }
    m_compressed += n;
    m_compressed64 += n;
    if (!m_next->Write(bytes, n)) return false;
    m_passedOn += n;
    ++m_movement;
    if (m_passedOn == m_produced) m_produced = m_passedOn = 0;
    return true;
}

int DeflateProcessor::Step()
{
    if (m_failed) return -1;
    const int result = m_source != nullptr ? SourceStep() : RingStep();
    if (result < 0) m_failed = true;
    return result;
}

int DeflateProcessor::SourceStep()
{
    bool atEnd = m_source->IsAtEnd();
    if (m_pending == 0 && !atEnd) {
        if (!EnsureInputBuffer()) return -1;
        DWORD got = 0;
        if (!m_source->ReadChunk(m_input, m_inputSize, &got, nullptr)) return -1;
        got = std::min(got, m_inputSize);
        atEnd = m_source->IsAtEnd();
        m_uncompressed += got;
        m_uncompressed64 += got;
        m_cursor = m_input;
        m_pending = got;
        if (m_compressor != nullptr) m_compressor->SetInput(m_cursor, m_pending);
        m_crc.Update(m_cursor, got);
        if (got > 0 || atEnd) ++m_movement;
    }

    const bool finishing = atEnd;
    if (m_produced == 0 && (m_pending > 0 || (finishing && !m_finished))) {
        if (m_compressor == nullptr) return -1;
        m_compressor->SetInput(m_cursor, m_pending);
        DWORD consumed = 0;
        if (!Compress(finishing, &consumed)) return -1;
        m_cursor += consumed;
        m_pending -= consumed;
    }

    if (!PassOn()) return -1;

    if (m_produced == 0 && m_pending == 0 && atEnd && m_finished) FinishNext();
    return 0;
}

int DeflateProcessor::RingStep()
{
    const BYTE* first = nullptr;
    const BYTE* second = nullptr;
    DWORD firstCount = 0, secondCount = 0;
    m_ring.GetReadable(&first, &firstCount, &second, &secondCount);
    const bool inputFinished = IsInputFinished();

    if (firstCount == 0 && m_produced == 0 && inputFinished && m_finished) {
        FinishNext();
        return 0;
    }
    if (m_produced == 0 && (firstCount > 0 || (inputFinished && !m_finished))) {
        if (m_compressor == nullptr) return -1;
        const bool finishing = inputFinished && secondCount == 0;
        m_compressor->SetInput(first, firstCount);
        DWORD consumed = 0;
        if (!Compress(finishing, &consumed)) return -1;
        m_crc.Update(first, consumed);
        m_ring.Consume(consumed);
        m_uncompressed += consumed;
        m_uncompressed64 += consumed;
    }
    if (!PassOn()) return -1;
    if (m_ring.Held() == 0 && m_produced == 0 && inputFinished && m_finished) FinishNext();
    return 0;
}

// ---------------------------------------------------------------------------------------------

void CrcProcessor::Begin()
{
    m_bytesIn = m_bytesOut = 0;
    m_bytesOut64 = 0;
    m_cursor = nullptr;
    m_pending = 0;
    m_readOnce = false;
    m_crc.Reset();
    m_crcResult = 0;
}

bool CrcProcessor::Pass(BYTE* bytes, DWORD n)
{
    m_bytesOut += n;
    m_bytesOut64 += n;
    ++m_movement;
    return m_next->Write(bytes, n);
}

int CrcProcessor::Step()
{
    return PassThroughStep(
        m_cursor, m_pending, m_readOnce,
        [&](BYTE* bytes, DWORD n) {
            m_bytesIn += n;
            m_crc.Update(bytes, n);
        },
        [&](BYTE* bytes, DWORD n) { return Pass(bytes, n); });
}

// ---------------------------------------------------------------------------------------------

void ZipDecodeProcessor::Begin()
{
    m_bytesIn = m_bytesOut = 0;
    m_cursor = nullptr;
    m_pending = 0;
    m_readOnce = false;
}

bool ZipDecodeProcessor::Pass(BYTE* bytes, DWORD n)
{
    m_bytesOut += n;
    ++m_movement;
    if (m_decryptor != nullptr) m_decryptor->DecryptInPlace(bytes, n);
    return m_next->Write(bytes, n);
}

int ZipDecodeProcessor::Step()
{
    return PassThroughStep(
        m_cursor, m_pending, m_readOnce, [&](BYTE*, DWORD n) { m_bytesIn += n; },
        [&](BYTE* bytes, DWORD n) { return Pass(bytes, n); });
}
