#pragma once
// Helpers of the MIME and e-mail tests: files in a per-test folder, Python's email package as the
// reference reader, and the same summary of a loaded e-mail for comparison.

#include "components/foundation/StringBuffer.h"
#include "components/foundation/tests/SharedTestSupport.h"
#include "components/mail/Email2.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace mimetest {

inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string DataPath(const std::string& name)
{
    return std::string(VORNALT_TEST_DATA_DIR) + "/mime/" + name;
}

// A fresh folder per test, removed with the object.
struct TempFolder {
    std::string path;
    TempFolder()
    {
        char pattern[] = "/tmp/mime-test-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempFolder() { RunCommand("rm -rf '" + path + "'"); }
    std::string File(const std::string& name) const { return path + "/" + name; }
};

inline torvane::StringBuffer Buffer(const std::string& bytes)
{
    torvane::StringBuffer b;
    if (!bytes.empty())
        b.AppendBytes(bytes.data(), int(bytes.size()));
    return b;
}

inline std::string Text(const torvane::StringBuffer& b) { return std::string(b.GetText(), size_t(b.GetLength())); }

inline std::string RenderForSending(Email2& email)
{
    torvane::StringBuffer out;
    email.Render(&email, out, "TVX-", nullptr, 0, false);
    return Text(out);
}

inline std::string Render(Email2& email)
{
    torvane::StringBuffer out;
    email.Render(&email, out, nullptr, nullptr, 0, false);
    return Text(out);
}

inline std::string PythonOracle(const std::string& messagePath)
{
    return RunCommand("python3 '" + DataPath("oracle.py") + "' '" + messagePath + "' 2>&1");
}

inline std::string Sha256(const std::string& bytes, const TempFolder& folder)
{
    std::string path = folder.File("payload.bin");
    WriteFile(path, bytes);
    std::string out = RunCommand("python3 -c \"import hashlib,sys;print(hashlib.sha256(open(sys.argv[1],'rb').read()).hexdigest())\" '" + path + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

inline std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return s;
}

inline std::string Repr(const std::string& s)
{
    // Python's repr of a plain printable text in single quotes.
    return "'" + s + "'";
}

// Our e-mail tree in the oracle's leaf format (headers left out).
inline void Summarize(Email2& node, const TempFolder& folder, std::string& out)
{
    std::string type = Lower(node.ContentType());
    if (type.empty())
        type = "text/plain";
    if (node.GetNumParts() > 0) {
        out += "multipart " + type + "\n";
        for (int i = 0; i < node.GetNumParts(); ++i)
            Summarize(*node.GetPart(i), folder, out);
        return;
    }
    std::string name = node.Filename().empty() ? node.Name() : node.Filename();
    std::string payload(reinterpret_cast<const char*>(node.Body().GetData()), node.Body().GetSize());
    if (type.compare(0, 5, "text/") == 0 && Lower(node.Disposition()) != "attachment") {
        std::string lf;
        for (size_t i = 0; i < payload.size(); ++i)
            if (!(payload[i] == '\r' && i + 1 < payload.size() && payload[i + 1] == '\n'))
                lf += payload[i];
        payload = lf;
    }
    out += "leaf " + type + " " + Repr(name) + " " + Sha256(payload, folder) + " " + std::to_string(payload.size())
        + "\n";
}

inline std::string LeafLines(const std::string& oracle)
{
    std::istringstream in(oracle);
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("leaf ", 0) == 0 || line.rfind("multipart ", 0) == 0)
            out += line + "\n";
    return out;
}

} // namespace mimetest
