#pragma once
// Pumps data from the first stage's source through the stages, one bounded step per stage per
// pass, checking the monitor's abort answer after every step. The stages are the caller's.

#include "components/foundation/ExtPtrArray.h"

#include <string>

class DataProcessor;
class ProgressMonitor;

class DataPipeline {
public:
    DataPipeline();
    DataPipeline(const DataPipeline&) = delete;
    DataPipeline& operator=(const DataPipeline&) = delete;
    virtual ~DataPipeline();

    void AddStage(DataProcessor* stage);
    // True once every stage has passed on everything; false on a failed read or write, an abort,
    // a pipeline without stages, or a run that stops moving before its data has ended.
    bool Run(ProgressMonitor* monitor);

    const std::string& Name() const { return m_name; }

private:
    ExtPtrArray m_stages;
    std::string m_name;
};
