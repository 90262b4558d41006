#include "RadicaleServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port the system has just handed out; Radicale binds it a moment later.
int freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (s >= 0)
            close(s);
        throw std::runtime_error("no free port");
    }
    close(s);
    return ntohs(address.sin_port);
}

bool accepts(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool connected = s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (s >= 0)
        close(s);
    return connected;
}

std::string contents(const std::string& path)
{
    std::ifstream in(path);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

RadicaleServer::RadicaleServer(const Users& users) : port(freePort())
{
    {
        std::ofstream file(folder.path("users"));
        for (const auto& [name, password] : users)
            file << name << ':' << password << '\n';
    }
    {
        std::ofstream config(folder.path("config"));
        config << "[server]\nhosts = 127.0.0.1:" << port << "\n"
               << "[auth]\ntype = htpasswd\nhtpasswd_filename = " << folder.path("users")
               << "\nhtpasswd_encryption = plain\n"
               // The delay after a wrong password would only slow the tests down.
               << "delay = 0\n"
               << "[storage]\nfilesystem_folder = " << folder.path("collections") << "\n"
               << "[rights]\ntype = owner_only\n"
               << "[logging]\nlevel = warning\n";
    }
    start();
}

void RadicaleServer::start()
{
    if (pid > 0)
        return;
    const std::string log = folder.path("log");
    const std::string config = folder.path("config");
    const pid_t parent = getpid();
    pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        // Dies with the test program, should that be killed before it can stop the server.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        execl("/usr/bin/python3", "python3", "-m", "radicale", "--config", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!accepts(port)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            throw std::runtime_error("Radicale ended at its start:\n" + contents(log));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error("Radicale did not start listening:\n" + contents(log));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

RadicaleServer::~RadicaleServer()
{
    stop();
}

std::string RadicaleServer::address() const
{
    return "http://127.0.0.1:" + std::to_string(port);
}

void RadicaleServer::stop()
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool RadicaleServer::runPython(const std::string& script) const
{
    const std::string url = address();
    const char* const argv[] = {"python3", "-c", script.c_str(), url.c_str(), nullptr};
    pid_t child = -1;
    if (posix_spawn(&child, "/usr/bin/python3", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
