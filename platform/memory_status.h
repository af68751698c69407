// The machine's memory status, in the shape of the system memory-status
// record the engine was written against: physical memory, paging file (commit
// limit) and the process's virtual address space, as byte counts.
//
// On Linux the values come from /proc/meminfo (MemTotal, MemAvailable,
// SwapTotal, SwapFree), capped by the memory limit of the process's control
// group when one is set; the address space is RLIMIT_AS (2^47 when unlimited)
// less the process's VmSize. Used by the undo budget and the host queries.
#pragma once
#include <cstdint>

struct MemoryStatus {
    uint64_t totalPhys;      // physical memory
    uint64_t availPhys;      // physical memory available without swapping
    uint64_t totalPageFile;  // commit limit: physical memory plus swap
    uint64_t availPageFile;  // what can still be committed
    uint64_t totalVirtual;   // address space of the process
    uint64_t availVirtual;   // address space not yet in use
};

// Fills `out` with the current status. Returns false (and zeroes `out`) when
// the system values cannot be read.
bool QueryMemoryStatus(MemoryStatus *out);

// ---- Building blocks, exposed for tests ---------------------------------------

// The raw readings QueryMemoryStatus combines, all in bytes.
struct MemorySources {
    uint64_t memTotal;
    uint64_t memAvailable;
    uint64_t swapTotal;
    uint64_t swapFree;
    bool hasMemLimit;  // the control group limits memory
    uint64_t memLimit;
    uint64_t memUsage;
    bool hasMemSwapLimit;  // the control group limits memory plus swap
    uint64_t memSwapLimit;
    uint64_t memSwapUsage;
    uint64_t addressLimit;  // RLIMIT_AS, 2^47 when unlimited
    uint64_t vmSize;        // the process's current address space
};

// Reads MemTotal, MemAvailable, SwapTotal and SwapFree (kB) from the text of
// /proc/meminfo into `src` as bytes. Returns false unless MemTotal was found;
// a missing MemAvailable falls back to MemFree + Buffers + Cached.
bool ParseMemInfo(const char *text, MemorySources *src);

// Combines the readings: physical values capped by the group's limit, the
// paging file as memory plus swap (capped by the group's memory-plus-swap
// limit), the address space as limit less VmSize (never below 0).
MemoryStatus ComposeMemoryStatus(const MemorySources &src);

// Test hook: when set, QueryMemoryStatus returns *status instead of reading
// the system. Pass null to read the system again. Not exported.
void SetMemoryStatusOverride(const MemoryStatus *status);
