#pragma once

#include <string>

// Starting with Windows: the value "VLM" of the current user's Run key. It
// counts as on whenever the value exists, whatever its type and data, so
// values written by older copies keep working. The program keeps no copy.
class StartupSetting {
public:
    static constexpr const char* runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* valueName = "VLM";

    // Another key than the Run key is for tests only.
    explicit StartupSetting(std::string key = runKey);

    // Each throws std::runtime_error "Error accessing startup regisrty key"
    // when the key cannot be opened: for reading to look, for writing to
    // change.
    bool isOn() const;
    // `data` is UTF-8; it is written as a wide string.
    void turnOn(const std::string& data) const;
    void turnOff() const;

    // The data this program writes: its executable's full path, quoted, UTF-8.
    static std::string valueForThisProgram();

private:
    std::string key;
};
