#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quorvane::test {

// Debian's pyftpdlib runs under the system's Python, whatever python3 is first on PATH.
inline constexpr char kSystemPython[] = "/usr/bin/python3";

// Whether the FTP server of the upload tests can run here.
inline bool ftpServerAvailable()
{
    static const bool available =
        std::system((std::string(kSystemPython) + " -c 'import pyftpdlib, OpenSSL' 2>/dev/null").c_str()) == 0;
    return available;
}

// A self-signed certificate for 127.0.0.1 and its key, made in folder:
// "cert.pem" and "key.pem". False when openssl could not make them.
inline bool makeCertificate(const std::filesystem::path& folder)
{
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                                "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                (folder / "key.pem").string() + "' -out '" + (folder / "cert.pem").string() +
                                "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// tests/support/ftp_server.py on 127.0.0.1 and a free port, serving root,
// stopped when the object goes.
class FtpTestServer {
public:
    struct Options {
        std::string user = "album";
        std::string password = "s3cret";
        // A folder holding cert.pem and key.pem for explicit TLS.
        std::filesystem::path tls;
        long dropAfter = 0;
    };

    FtpTestServer(const std::filesystem::path& scratch, const Options& options)
        : root_(scratch / "server-root"), log_(scratch / "server.log")
    {
        std::filesystem::create_directories(root_);
        writeFile(log_, "");
        std::vector<std::string> command{kSystemPython,
                                         (sourceDir() / "tests" / "support" / "ftp_server.py").string(),
                                         root_.string(),
                                         log_.string(),
                                         "--user",
                                         options.user,
                                         "--password",
                                         options.password};
        if (!options.tls.empty())
            command.insert(command.end(), {"--tls", (options.tls / "cert.pem").string(), (options.tls / "key.pem").string()});
        if (options.dropAfter > 0)
            command.insert(command.end(), {"--drop-after", std::to_string(options.dropAfter)});
        start(command, scratch / "server.err");
    }
    ~FtpTestServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int port() const { return port_; }
    const std::filesystem::path& root() const { return root_; }

    std::vector<std::string> events() const
    {
        std::vector<std::string> lines;
        std::istringstream in(readFile(log_));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The arguments of every command with that verb, in order.
    std::vector<std::string> commands(const std::string& verb) const
    {
        std::vector<std::string> found;
        for (const std::string& line : events()) {
            if (line.starts_with("CMD " + verb + " "))
                found.push_back(line.substr(5 + verb.size()));
        }
        return found;
    }
    void clearEvents() const { writeFile(log_, ""); }

private:
    void start(const std::vector<std::string>& command, const std::filesystem::path& errors)
    {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            const int in = ::open("/dev/null", O_RDONLY);
            const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in, 0);
            ::dup2(pipeEnds[1], 1);
            ::dup2(err, 2);
            ::close(pipeEnds[0]);
            std::vector<char*> argv;
            for (const std::string& argument : command)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        std::string line;
        pollfd ready{pipeEnds[0], POLLIN, 0};
        char c = 0;
        while (line.find('\n') == std::string::npos && ::poll(&ready, 1, 20000) > 0 && ::read(pipeEnds[0], &c, 1) == 1)
            line += c;
        ::close(pipeEnds[0]);
        if (line.starts_with("PORT "))
            port_ = std::atoi(line.c_str() + 5);
    }

    std::filesystem::path root_;
    std::filesystem::path log_;
    pid_t pid_ = -1;
    int port_ = 0;
};

// Every regular file below folder, as "a/b.jpg", sorted.
inline std::vector<std::string> filesBelow(const std::filesystem::path& folder)
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path().lexically_relative(folder).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace quorvane::test

// Skips the current test where the FTP server of the tests cannot run.
#define QUORVANE_REQUIRE_FTP_SERVER()                                                   \
    do {                                                                                \
        if (!::quorvane::test::ftpServerAvailable())                                    \
            GTEST_SKIP() << "python3-pyftpdlib and python3-openssl are not installed"; \
    } while (0)
