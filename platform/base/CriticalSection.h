#pragma once
// Re-entrant lock with the platform's critical-section semantics.

#include <mutex>

struct CRITICAL_SECTION {
    std::recursive_mutex mutex;
};

inline void InitializeCriticalSection(CRITICAL_SECTION*) { }
inline void DeleteCriticalSection(CRITICAL_SECTION*) { }
inline void EnterCriticalSection(CRITICAL_SECTION* section) { section->mutex.lock(); }
inline void LeaveCriticalSection(CRITICAL_SECTION* section) { section->mutex.unlock(); }

// Holds a critical section for one scope.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section)
        : m_section(section)
    {
        EnterCriticalSection(&m_section);
    }
    ~CriticalSectionLock() { LeaveCriticalSection(&m_section); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};
