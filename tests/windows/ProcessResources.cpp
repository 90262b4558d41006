#include "ProcessResources.h"

#include "ModalDialog.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <iostream>
#include <sstream>
#include <vector>

namespace {

// The layout of one entry of the GDI handle table that both Windows and Wine
// map into the process (PEB.GdiSharedHandleTable); only its type byte is read.
struct GdiHandleEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the x64 layout");

unsigned long countGdiObjects()
{
    PROCESS_BASIC_INFORMATION basic{};
    if (::NtQueryInformationProcess(::GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic,
                                    nullptr) != 0)
        return 0;
    const auto* peb = reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress);
    const void* table = *reinterpret_cast<void* const*>(peb + 0xF8); // GdiSharedHandleTable on x64
    if (!table)
        return 0;
    MEMORY_BASIC_INFORMATION region{};
    if (!::VirtualQuery(table, &region, sizeof region))
        return 0;
    const std::size_t readable =
        static_cast<std::size_t>(static_cast<const std::uint8_t*>(region.BaseAddress) + region.RegionSize -
                                 static_cast<const std::uint8_t*>(table));
    const auto* entries = static_cast<const GdiHandleEntry*>(table);
    unsigned long count = 0;
    for (std::size_t i = 0; i < readable / sizeof(GdiHandleEntry); ++i)
        if (entries[i].type != 0)
            ++count;
    return count;
}

// USER handles are small even numbers from 0x20 up with a generation in the
// high word; a handle given with the high word 0 matches any generation.
unsigned long countUserObjects()
{
    const DWORD self = ::GetCurrentProcessId();
    unsigned long count = 0;
    for (UINT_PTR value = 0x20; value <= 0xFFFE; value += 2) {
        const auto window = reinterpret_cast<HWND>(value);
        if (::IsWindow(window)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == self)
                ++count;
        } else if (::IsMenu(reinterpret_cast<HMENU>(value))) {
            ++count;
        }
    }
    return count;
}

// Committed private pages, which is what Windows counts as private bytes.
std::size_t committedPrivateBytes()
{
    std::size_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr;
         ::VirtualQuery(address, &region, sizeof region) == sizeof region && region.RegionSize != 0;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}

std::size_t bytesInHeaps()
{
    std::vector<HANDLE> heaps(::GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    std::size_t total = 0;
    for (HANDLE heap : heaps) {
        if (!::HeapLock(heap))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
        ::HeapUnlock(heap);
    }
    return total;
}

} // namespace

ProcessResources ProcessResources::ofThisProcess()
{
    ProcessResources resources;
    const HANDLE self = ::GetCurrentProcess();
    resources.gdiObjects = ::GetGuiResources(self, GR_GDIOBJECTS);
    resources.userObjects = ::GetGuiResources(self, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        resources.privateBytes = memory.PrivateUsage;
    // A live process always holds some of each; zero means "not told".
    if (resources.gdiObjects == 0 && resources.userObjects == 0) {
        resources.gdiObjects = countGdiObjects();
        resources.userObjects = countUserObjects();
        resources.source = "direct count";
    } else {
        resources.source = "GetGuiResources";
    }
    if (resources.privateBytes == 0)
        resources.privateBytes = committedPrivateBytes();
    resources.heapBytes = bytesInHeaps();
    return resources;
}

ResourceGrowth ResourceGrowth::of(int times, const std::function<void()>& action)
{
    for (int i = 0; i < 10; ++i)
        action();
    const ProcessResources before = ProcessResources::ofThisProcess();
    for (int i = 0; i < times; ++i)
        action();
    const ProcessResources after = ProcessResources::ofThisProcess();
    ResourceGrowth growth;
    growth.gdiObjects = static_cast<long long>(after.gdiObjects) - static_cast<long long>(before.gdiObjects);
    growth.userObjects = static_cast<long long>(after.userObjects) - static_cast<long long>(before.userObjects);
    growth.privateBytes = static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes);
    growth.heapBytes = static_cast<long long>(after.heapBytes) - static_cast<long long>(before.heapBytes);
    std::ostringstream report;
    report << "x" << times << " (" << after.source << "): GDI " << before.gdiObjects << " -> " << after.gdiObjects
           << ", USER " << before.userObjects << " -> " << after.userObjects << ", private "
           << before.privateBytes / 1024 << " -> " << after.privateBytes / 1024 << " KiB, heaps "
           << before.heapBytes << " -> " << after.heapBytes << " bytes";
    growth.report = report.str();
    return growth;
}

namespace {

// A template with nothing of its own: only what every dialog shares.
class BareDialog : public ModalDialog {
public:
    explicit BareDialog(int templateId) : ModalDialog(templateId, End::cancelled) {}
};

} // namespace

ResourceGrowth bareTemplateGrowth(int templateId, const char* caption, int times)
{
    // What the system keeps grows with each run alike: half the runs, doubled.
    ResourceGrowth growth = ResourceGrowth::of(times / 2, [&] {
        whenDialogAppears(caption, [](HWND window) { ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0); });
        BareDialog(templateId).show(::GetModuleHandleA(nullptr), nullptr);
    });
    growth.heapBytes *= 2;
    growth.report += " (heap growth doubled)";
    return growth;
}

void expectNoResourceGrowth(const char* what, int times, const std::function<void()>& openAndClose,
                            const ResourceGrowth& systemShare)
{
    const ResourceGrowth growth = ResourceGrowth::of(times, openAndClose);
    std::cout << "[ leaks    ] " << what << " " << growth.report << "\n";
    if (!systemShare.report.empty())
        std::cout << "[ leaks    ]   its bare template " << systemShare.report << "\n";
    EXPECT_LE(growth.gdiObjects, 0) << what << " leaves GDI objects behind";
    EXPECT_LE(growth.userObjects, 0) << what << " leaves USER objects behind";
    // Heaps commit memory in 64 KiB steps.
    EXPECT_LE(growth.privateBytes, 256 * 1024) << what << " grows the private memory";
    // A leak of 32 bytes a run shows; what the system keeps of the bare
    // template is not the program's to give back.
    EXPECT_LE(growth.heapBytes, std::max<long long>(systemShare.heapBytes, 0) + 16LL * times)
        << what << " leaves heap memory behind";
}
