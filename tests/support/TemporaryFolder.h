#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    // `name` inside the folder, with the platform's separator.
    std::string path(const std::string& name) const;
    // The names of the files in the folder, sorted.
    std::string listing() const;

private:
    std::string folder;
};
