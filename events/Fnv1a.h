#pragma once

#include <cstdint>
#include <string>

// FNV-1a, 64 bits: tells one text (or one set of fields) from another
// cheaply. Not for security.
class Fnv1a {
public:
    void addByte(unsigned char byte)
    {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    void add(const std::string& text)
    {
        for (const char c : text)
            addByte(static_cast<unsigned char>(c));
    }
    std::uint64_t value() const { return hash; }

private:
    std::uint64_t hash = 14695981039346656037ull;
};
