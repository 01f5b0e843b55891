#pragma once
// Shared helpers of the transport tests: a log that keeps its texts, progress events that answer
// abort, and peer processes started once per test process and stopped when it exits.

#include "components/foundation/LogBase.h"
#include "components/foundation/ProgressEvent.h"

#include <atomic>
#include <string>
#include <vector>

class CapturingLog : public LogBase {
public:
    bool LogError(const char* text) override { return Add("error", text); }
    bool LogInfo(const char* text) override { return Add("info", text); }
    bool LogData(const char* tag, const char* text) override { return Add(tag, text); }
    bool LogDataInt(const char* tag, int value) override { return Add(tag, std::to_string(value).c_str()); }
    bool LogDataHex(const char* tag, std::uint32_t value) override { return Add(tag, std::to_string(value).c_str()); }

    bool HasError(const std::string& text) const { return Has("error", text); }
    bool HasInfo(const std::string& text) const { return Has("info", text); }
    bool Has(const std::string& tag, const std::string& text) const
    {
        for (const auto& e : entries)
            if (e.first == tag && e.second == text)
                return true;
        return false;
    }
    bool HasTag(const std::string& tag) const
    {
        for (const auto& e : entries)
            if (e.first == tag)
                return true;
        return false;
    }
    std::string Text() const
    {
        std::string all;
        for (const auto& e : entries)
            all += e.first + ": " + e.second + "\n";
        return all;
    }
    std::vector<std::pair<std::string, std::string>> entries;

private:
    bool Add(const char* tag, const char* text)
    {
        entries.emplace_back(tag ? tag : "", text ? text : "");
        return true;
    }
};

// Answers abort to every heartbeat once armed; counts what it was asked.
class AbortingEvent : public ProgressEvent {
public:
    void OnHeartbeat(int, bool* abort) override
    {
        ++heartbeats;
        *abort = abortOnHeartbeat.load();
    }
    void OnAbortCheck(bool* abort) override
    {
        ++abortChecks;
        if (abortOnHeartbeat.load())
            *abort = true;
    }
    void OnSendRate(std::uint32_t bytes, std::uint32_t) override { sendRates.push_back(bytes); }
    void OnReceiveRate(std::uint32_t bytes, std::uint32_t) override { receiveRates.push_back(bytes); }

    std::atomic<bool> abortOnHeartbeat { true };
    std::atomic<int> heartbeats { 0 };
    std::atomic<int> abortChecks { 0 };
    std::vector<std::uint32_t> sendRates, receiveRates;
};

// A helper program that prints "port N" as its first line and runs until its stdin closes.
class PeerProcess {
public:
    // Starts the program (argv[0] is the executable) once; false when it did not report a port.
    bool Start(const std::vector<std::string>& argv, int fixedPort = 0);
    void Stop();
    ~PeerProcess() { Stop(); }
    int Port() const { return m_port; }
    // Further lines the peer printed after its port line, read up to the first empty line.
    std::string ReadLine();

private:
    int m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    int m_port = 0;
};

// The scripted peer of scripted_peer.py, started on first use in this process.
int ScriptedPeerPort();

// A port on 127.0.0.1 that nobody listens on (bound, then released).
int UnusedLoopbackPort();
