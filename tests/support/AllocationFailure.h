#pragma once

// Makes one allocation of this thread's program fail, as memory running out
// would: while an AllocationFailure lives, the `nth` call of operator new
// from its start on throws std::bad_alloc (once). The program's operator new
// is replaced for that, in the test programs that link this file.
class AllocationFailure {
public:
    explicit AllocationFailure(long nth);
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
    ~AllocationFailure();

    // True once the failure has been thrown.
    bool happened() const;
};
