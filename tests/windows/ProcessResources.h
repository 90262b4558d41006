#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// What this process holds of the system, for telling whether something
// repeated leaves anything behind. Windows reports GDI and USER objects
// through GetGuiResources and private memory through GetProcessMemoryInfo.
// Wine answers 0 to all three, so there they are counted directly: GDI
// objects in the process's own GDI handle table, USER objects as the
// process's windows and menus found by their handles, private memory as the
// committed private pages of its address space.
struct ProcessResources {
    unsigned long gdiObjects = 0;
    unsigned long userObjects = 0;
    std::size_t privateBytes = 0;
    // Bytes handed out by the process's heaps and not given back: the finest
    // measure of a memory leak, from the same walk on either system.
    std::size_t heapBytes = 0;
    // "GetGuiResources" or the direct count, for the report.
    std::string source;

    static ProcessResources ofThisProcess();
};

// What repeating something adds to the process. Measured after a few runs
// first, so that what is made once (window classes, cached bitmaps, the first
// heap blocks) is made.
struct ResourceGrowth {
    long long gdiObjects = 0;
    long long userObjects = 0;
    long long privateBytes = 0;
    long long heapBytes = 0;
    std::string report;

    static ResourceGrowth of(int times, const std::function<void()>& action);
};

// The growth of running the dialog template `templateId` of this module
// `times` times with a procedure that does nothing: what the system's own
// dialog manager and controls keep, which the program cannot give back.
ResourceGrowth bareTemplateGrowth(int templateId, const char* caption, int times);

// Fails the current test when `openAndClose`, run `times` times, grows GDI or
// USER objects at all, the private memory by more than its allocation
// granularity explains, or the heaps by more than a few bytes a run beyond
// `systemShare`.
void expectNoResourceGrowth(const char* what, int times, const std::function<void()>& openAndClose,
                            const ResourceGrowth& systemShare = {});
