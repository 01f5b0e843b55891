#pragma once
// Puts the bars' services back as they were when a test ends: the program installs them once for
// good, but the bar base's own tests expect a process without them.

#include "toolkit/commandbars/CommandBar.h"

class ServicesRestore {
public:
    ServicesRestore()
        : m_saved(JQWCommandBarServices())
    {
    }
    ~ServicesRestore() { JQWCommandBarServices() = m_saved; }
    ServicesRestore(const ServicesRestore&) = delete;
    ServicesRestore& operator=(const ServicesRestore&) = delete;

private:
    JQW_COMMANDBAR_SERVICES m_saved;
};
