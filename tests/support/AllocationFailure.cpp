#include "AllocationFailure.h"

#include <cstdlib>
#include <new>

namespace {

// Allocations left until the failing one; 0 when none is armed.
thread_local long countdown = 0;
thread_local bool thrown = false;

void* allocate(std::size_t size)
{
    if (countdown > 0 && --countdown == 0) {
        thrown = true;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

} // namespace

AllocationFailure::AllocationFailure(long nth)
{
    countdown = nth;
    thrown = false;
}

AllocationFailure::~AllocationFailure()
{
    countdown = 0;
}

bool AllocationFailure::happened() const
{
    return thrown;
}

void* operator new(std::size_t size)
{
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    return allocate(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}
