#pragma once

// The program's few settings of how its windows show things, each one byte
// (REG_BINARY) under the current user's "Software\Norvask\Vellumere": the
// manager's "ShowAll" and "HideOld", the alert's "SnoozeChoice". Errors are
// silent: a value that cannot be read is its default, one that cannot be
// written stays as it was.
class DisplaySettings {
public:
    static constexpr const char* key = "Software\\Norvask\\Vellumere";

    // The value, or `fallback` when the key or the value is missing or is not
    // one byte.
    static unsigned char read(const char* name, unsigned char fallback);
    static void write(const char* name, unsigned char value);
};
