#pragma once
// Test certificates minted once per test process with the openssl command: a root CA, an
// intermediate CA, a server certificate with alternative names, an expired certificate, an e-mail
// certificate (RSA, two e-mail alternative names), a few odd names, and for the TLS peers of the
// tests above this folder a localhost server straight from the root, one of another name and a
// client certificate. The test processes of one day share one set in the temporary folder (made
// once, published by a rename).

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace vornalt::testpki {

inline std::string RunCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    while (std::size_t got = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    int status = pclose(pipe);
    if (status != 0)
        throw std::runtime_error("command failed: " + command + "\n" + output);
    return output;
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class Pki {
public:
    static Pki& Get()
    {
        static Pki pki;
        return pki;
    }

    std::string dir;
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    // DER bytes of "<name>.der": ca, intermediate, server, expired, email, multi, selfsigned, and rogue
    // (issued by the server certificate, which is no CA). Also "<name>.pem" and "<name>.key" of leaf
    // (localhost straight from the root), other (other.example) and client (client authentication).
    std::vector<unsigned char> Der(const std::string& name) const { return ReadFileBytes(Path(name + ".der")); }
    std::string Pem(const std::string& name) const { return Path(name + ".pem"); }
    // "AB:CD:..." of openssl, without colons.
    std::string Sha1(const std::string& name) const
    {
        std::string out = RunCommand("openssl x509 -noout -fingerprint -sha1 -in " + Pem(name));
        std::string hex = out.substr(out.find('=') + 1);
        std::string clean;
        for (char c : hex)
            if (std::isxdigit(static_cast<unsigned char>(c)))
                clean += c;
        return clean;
    }

private:
    Pki()
    {
        char day[16];
        std::time_t now = std::time(nullptr);
        std::strftime(day, sizeof day, "%Y%m%d", std::gmtime(&now));
        std::string shared = "/tmp/vornalt-pki-v3-" + std::to_string(getuid()) + "-" + day;
        if (std::filesystem::exists(shared + "/done")) {
            dir = shared;
            return;
        }
        char pattern[] = "/tmp/vornalt-pki-new-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("mkdtemp");
        dir = pattern;
        Mint();
        WriteFileText(Path("done"), "");
        // Another process may have published its set first: use that one.
        if (rename(dir.c_str(), shared.c_str()) != 0) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
        dir = shared;
    }

    void Mint()
    {        WriteFileText(Path("ext.cnf"), R"([ca]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[intermediate]
basicConstraints = critical, CA:true, pathlen:0
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[server]
basicConstraints = CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:localhost, DNS:*.example.test, IP:127.0.0.1, IP:::1
authorityKeyIdentifier = keyid
[email]
basicConstraints = CA:false
keyUsage = critical, digitalSignature, nonRepudiation, keyEncipherment
extendedKeyUsage = emailProtection, clientAuth
subjectAltName = email:alice.first@example.test, DNS:mail.example.test, email:alice@example.test
[other]
basicConstraints = CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:other.example
[client]
basicConstraints = CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = clientAuth
[plain]
basicConstraints = CA:false
[ca_section]
dir = )" + dir + R"(
database = $dir/index.txt
new_certs_dir = $dir
serial = $dir/serial
default_md = sha256
policy = anything
copy_extensions = none
unique_subject = no
[anything]
commonName = optional
)");
        WriteFileText(Path("index.txt"), "");
        WriteFileText(Path("serial"), "1000\n");
        std::string d = dir + "/";
        std::string ext = " -extfile " + d + "ext.cnf";
        RunCommand("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout " + d + "ca.key -out " + d
            + "ca.pem -days 3650 -subj '/C=US/ST=Test State/O=Vornalt Tests/CN=Vornalt Test Root CA' -config " + d
            + "ext.cnf -extensions ca");
        Issue("intermediate", "ec", "/O=Vornalt Tests/CN=Vornalt Test Intermediate", "ca", "intermediate", "");
        Issue("server", "ec", "/O=Vornalt Tests/CN=localhost", "intermediate", "server", "");
        Issue("expired", "ec", "/O=Vornalt Tests/CN=expired.example.test", "ca", "server",
            "-startdate 20200101000000Z -enddate 20200201000000Z");
        Issue("email", "rsa", "/C=US/O=Vornalt Tests/CN=Alice Example/emailAddress=alice@example.test", "ca", "email", "");
        Issue("multi", "ec", "/CN=Multi Name+pseudonym=extra value text/O=Comma, Inc./OU=lab", "ca", "plain", "-multivalue-rdn");
        Issue("rogue", "ec", "/CN=rogue.example.test", "server", "plain", "");
        // For TLS peers that send no chain: issued by the root itself.
        Issue("leaf", "ec", "/O=Vornalt Tests/CN=localhost", "ca", "server", "");
        Issue("other", "ec", "/O=Vornalt Tests/CN=other.example", "ca", "other", "");
        Issue("client", "ec", "/O=Vornalt Tests/CN=vornalt client", "ca", "client", "");
        RunCommand("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout " + d
            + "selfsigned.key -out " + d + "selfsigned.pem -days 30 -subj '/CN=localhost' -addext subjectAltName=DNS:localhost");
        for (const char* name : { "ca", "intermediate", "server", "expired", "email", "multi", "selfsigned", "rogue" })
            RunCommand(std::string("openssl x509 -in ") + d + name + ".pem -outform DER -out " + d + name + ".der");
    }

    void Issue(const std::string& name, const std::string& keyType, const std::string& subject, const std::string& issuer,
        const std::string& extensions, const std::string& extra)
    {
        std::string d = dir + "/";
        std::string key = keyType == "rsa" ? "-newkey rsa:2048" : "-newkey ec -pkeyopt ec_paramgen_curve:P-256";
        std::string multi = extra.find("-multivalue-rdn") != std::string::npos ? " -multivalue-rdn" : "";
        RunCommand("openssl req -new " + key + " -nodes -keyout " + d + name + ".key -out " + d + name + ".csr -subj '"
            + subject + "'" + multi);
        std::string dates = extra.find("-startdate") != std::string::npos ? extra : "-days 825";
        if (!multi.empty())
            dates = "-days 825";
        RunCommand("openssl ca -batch -notext -config " + d + "ext.cnf -name ca_section -cert " + d + issuer + ".pem -keyfile "
            + d + issuer + ".key -in " + d + name + ".csr -out " + d + name + ".pem -extfile " + d + "ext.cnf -extensions "
            + extensions + " " + dates + multi + " -preserveDN");
    }
};

// Points the configuration folder at a fresh temporary folder for one test.
class ConfigFolder {
public:
    ConfigFolder()
    {
        char pattern[] = "/tmp/vornalt-config-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("mkdtemp");
        path = pattern;
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    }
    ~ConfigFolder()
    {
        unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

} // namespace vornalt::testpki
