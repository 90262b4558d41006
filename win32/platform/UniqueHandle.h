#pragma once

#include <windows.h>

#include <commctrl.h>

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
    Handle operator->() const { return handle; }

    Handle release() { return std::exchange(handle, Traits::invalid()); }
    void reset(Handle replacement = Traits::invalid())
    {
        if (valid())
            Traits::close(handle);
        handle = replacement;
    }
    // For a function that hands out a handle through a pointer: whatever was
    // held goes first.
    Handle* out()
    {
        reset();
        return &handle;
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

struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE find) { ::FindClose(find); }
};

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

// An icon loaded unshared (LoadImage without LR_SHARED, CreateIcon...).
struct IconTraits {
    static HICON invalid() { return nullptr; }
    static void close(HICON icon) { ::DestroyIcon(icon); }
};

// A pen, brush, font or bitmap.
template <typename Object>
struct GdiObjectTraits {
    static Object invalid() { return nullptr; }
    static void close(Object object) { ::DeleteObject(object); }
};

// An image list not yet handed to a control; a list view owns the one it is
// given, so it is released then.
struct ImageListTraits {
    static HIMAGELIST invalid() { return nullptr; }
    static void close(HIMAGELIST list) { ::ImageList_Destroy(list); }
};

// The device context of the whole screen (GetDC of no window).
struct ScreenDcTraits {
    static HDC invalid() { return nullptr; }
    static void close(HDC context) { ::ReleaseDC(nullptr, context); }
};

// A memory device context (CreateCompatibleDC).
struct MemoryDcTraits {
    static HDC invalid() { return nullptr; }
    static void close(HDC context) { ::DeleteDC(context); }
};

// A COM interface pointer, released once.
template <typename Interface>
struct ComInterfaceTraits {
    static Interface* invalid() { return nullptr; }
    static void close(Interface* pointer) { pointer->Release(); }
};

using FileHandle = UniqueHandle<HANDLE, FileHandleTraits>;
using KernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using FindHandle = UniqueHandle<HANDLE, FindHandleTraits>;
using RegistryKey = UniqueHandle<HKEY, RegistryKeyTraits>;
using MenuHandle = UniqueHandle<HMENU, MenuTraits>;
using LibraryHandle = UniqueHandle<HMODULE, ModuleTraits>;
using IconHandle = UniqueHandle<HICON, IconTraits>;
using ImageListHandle = UniqueHandle<HIMAGELIST, ImageListTraits>;
using BitmapHandle = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using ScreenDc = UniqueHandle<HDC, ScreenDcTraits>;
using MemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
template <typename Interface>
using ComPointer = UniqueHandle<Interface*, ComInterfaceTraits<Interface>>;

// An object selected into a device context; the object it replaced is
// selected back at the end, so that neither is deleted while selected.
// Declared after the context and the object, so that it ends first.
class SelectedObject {
public:
    SelectedObject(HDC context, HGDIOBJ object) : target(context), previous(::SelectObject(context, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&& other) noexcept
        : target(std::exchange(other.target, nullptr)), previous(std::exchange(other.previous, nullptr))
    {
    }
    SelectedObject& operator=(SelectedObject&& other) noexcept
    {
        if (this != &other) {
            restore();
            target = std::exchange(other.target, nullptr);
            previous = std::exchange(other.previous, nullptr);
        }
        return *this;
    }
    ~SelectedObject() { restore(); }

    // False when the selection failed (a pen, brush, font or bitmap).
    explicit operator bool() const { return previous != nullptr; }

private:
    void restore()
    {
        if (*this)
            ::SelectObject(target, previous);
        previous = nullptr;
    }

    HDC target = nullptr;
    HGDIOBJ previous = nullptr;
};
