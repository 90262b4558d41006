#pragma once

#include "TemporaryFolder.h"

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// Debian's Radicale on a free loopback port, with a fresh storage folder and
// its own users, stopped by its process id when the object goes (a failing
// test included) and killed with the test program should that die first.
// Stopped, it can start again on the same port and storage.
class RadicaleServer {
public:
    using Users = std::vector<std::pair<std::string, std::string>>; // name, password

    explicit RadicaleServer(const Users& users);
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;
    ~RadicaleServer();

    // "http://127.0.0.1:PORT" with no slash at the end.
    std::string address() const;
    void stop();
    // Again after stop(), on the same port and storage folder.
    void start();

    // Runs Debian's python3 with `script`, the address as sys.argv[1]; true
    // when it exits with 0. For the other client, python3-caldav, that plays
    // the phone.
    bool runPython(const std::string& script) const;

private:
    TemporaryFolder folder;
    int port = 0;
    pid_t pid = -1;
};
