#include "components/zip/DataPipeline.h"

#include "components/foundation/ProgressMonitor.h"
#include "components/zip/DataProcessor.h"

#include <atomic>
#include <vector>

namespace {

std::atomic<int> g_pipelineCounter {0};

// Passes in a row that may move nothing before the run is given up: a stage whose next sink
// stays full, or a source that keeps delivering nothing without reaching its end, would
// otherwise spin for ever.
constexpr int kIdlePassLimit = 100;

} // namespace

DataPipeline::DataPipeline()
    : m_name("DataPipeline_" + std::to_string(++g_pipelineCounter))
{
}

DataPipeline::~DataPipeline() { m_stages.Forget(); }

void DataPipeline::AddStage(DataProcessor* stage)
{
    if (stage != nullptr) m_stages.Append(static_cast<TorvaneObject*>(stage));
}

bool DataPipeline::Run(ProgressMonitor* monitor)
{
    const int count = m_stages.GetCount();
    if (count == 0) return false;
    std::vector<DataProcessor*> stages;
    stages.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) stages.push_back(static_cast<DataProcessor*>(m_stages.GetAt(i)));

    for (DataProcessor* stage : stages) stage->Begin();

    int idlePasses = 0;
    for (;;) {
        std::uint64_t movedBefore = 0;
        for (DataProcessor* stage : stages) movedBefore += stage->Movement();

        DWORD total = 0;
        bool sourceAtEnd = false;
        for (int i = 0; i < count; ++i) {
            DataProcessor* stage = stages[std::size_t(i)];
            if (stage->Step() < 0) return false;
            if (monitor != nullptr && monitor->IsAborted()) return false;
            if (i == 0) sourceAtEnd = stage->SourceAtEnd();
            total += stage->BytesHeld();
        }
        if (total == 0 && sourceAtEnd) break;

        std::uint64_t movedAfter = 0;
        for (DataProcessor* stage : stages) movedAfter += stage->Movement();
        idlePasses = movedAfter == movedBefore ? idlePasses + 1 : 0;
        if (idlePasses >= kIdlePassLimit) return false;
    }

    for (DataProcessor* stage : stages) stage->End();
    return true;
}
