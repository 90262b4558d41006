#pragma once

#include <windows.h>

#include <utility>

// Owns one Windows handle and closes it once. Move-only: a copy would close
// the handle twice.
template <typename Handle, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle owned) : handle(owned) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle(std::exchange(other.handle, Traits::invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.handle, Traits::invalid()));
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle; }
    bool valid() const { return handle != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    Handle release() { return std::exchange(handle, Traits::invalid()); }
    void reset(Handle replacement = Traits::invalid())
    {
        if (valid())
            Traits::close(handle);
        handle = replacement;
    }

private:
    Handle handle = Traits::invalid();
};

struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE handle) { ::CloseHandle(handle); }
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE handle) { ::CloseHandle(handle); }
};

using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

struct RegistryKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY key) { ::RegCloseKey(key); }
};

struct MenuTraits {
    static HMENU invalid() { return nullptr; }
    static void close(HMENU menu) { ::DestroyMenu(menu); }
};

struct ModuleTraits {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE module) { ::FreeLibrary(module); }
};

using RegistryKey = UniqueHandle<HKEY, RegistryKeyTraits>;
using MenuHandle = UniqueHandle<HMENU, MenuTraits>;
using LibraryHandle = UniqueHandle<HMODULE, ModuleTraits>;
