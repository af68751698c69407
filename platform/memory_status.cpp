#include "platform/memory_status.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const MemoryStatus *g_override = nullptr;
MemoryStatus g_overrideValue;

// Control-group limits this large mean "no limit" (cgroup v1 reports the
// largest page-aligned 64-bit value).
constexpr uint64_t kUnlimited = 1ull << 62;
constexpr uint64_t kDefaultAddressSpace = 1ull << 47;

bool ReadFile(const std::string &path, std::string *text) {
    FILE *f = std::fopen(path.c_str(), "r");
    if (f == nullptr) return false;
    text->clear();
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
    std::fclose(f);
    return true;
}

// Reads a control-group value file: a decimal byte count, or "max".
// Returns false when the file is missing or holds no limit.
bool ReadLimit(const std::string &path, uint64_t *value) {
    std::string text;
    if (!ReadFile(path, &text) || text.empty() || text.compare(0, 3, "max") == 0) return false;
    char *end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str()) return false;
    *value = v;
    return true;
}

bool ReadCount(const std::string &path, uint64_t *value) {
    std::string text;
    if (!ReadFile(path, &text)) return false;
    char *end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str()) return false;
    *value = v;
    return true;
}

// Looks up the memory limits of the process's control group (v2 unified or
// v1 memory controller) and stores them in `src`.
void ReadGroupLimits(MemorySources *src) {
    std::string groups;
    if (!ReadFile("/proc/self/cgroup", &groups)) return;
    std::string v1Path, v2Path;
    bool haveV2 = false;
    size_t pos = 0;
    while (pos < groups.size()) {
        size_t eol = groups.find('\n', pos);
        if (eol == std::string::npos) eol = groups.size();
        const std::string line = groups.substr(pos, eol - pos);
        pos = eol + 1;
        const size_t c1 = line.find(':');
        const size_t c2 = c1 == std::string::npos ? std::string::npos : line.find(':', c1 + 1);
        if (c2 == std::string::npos) continue;
        const std::string controllers = line.substr(c1 + 1, c2 - c1 - 1);
        const std::string path = line.substr(c2 + 1);
        if (controllers.empty()) {
            v2Path = path;
            haveV2 = true;
        } else {
            // Controllers are a comma-separated list; look for "memory" alone.
            size_t s = 0;
            while (s <= controllers.size()) {
                size_t e = controllers.find(',', s);
                if (e == std::string::npos) e = controllers.size();
                if (controllers.compare(s, e - s, "memory") == 0) v1Path = path;
                s = e + 1;
            }
        }
    }

    uint64_t limit = 0;
    if (!v1Path.empty()) {
        for (const std::string &base : {"/sys/fs/cgroup/memory" + v1Path, std::string("/sys/fs/cgroup/memory")}) {
            if (!ReadCount(base + "/memory.usage_in_bytes", &src->memUsage)) continue;
            if (ReadLimit(base + "/memory.limit_in_bytes", &limit) && limit < kUnlimited) {
                src->hasMemLimit = true;
                src->memLimit = limit;
            }
            if (ReadLimit(base + "/memory.memsw.limit_in_bytes", &limit) && limit < kUnlimited &&
                ReadCount(base + "/memory.memsw.usage_in_bytes", &src->memSwapUsage)) {
                src->hasMemSwapLimit = true;
                src->memSwapLimit = limit;
            }
            return;
        }
    }
    if (haveV2) {
        for (const std::string &base : {"/sys/fs/cgroup" + v2Path, "/sys/fs/cgroup/unified" + v2Path}) {
            if (!ReadCount(base + "/memory.current", &src->memUsage)) continue;
            if (ReadLimit(base + "/memory.max", &limit) && limit < kUnlimited) {
                src->hasMemLimit = true;
                src->memLimit = limit;
                // v2 limits swap on its own; memory plus swap is their sum.
                uint64_t swapLimit = 0, swapUsage = 0;
                if (ReadLimit(base + "/memory.swap.max", &swapLimit) && swapLimit < kUnlimited) {
                    ReadCount(base + "/memory.swap.current", &swapUsage);
                    src->hasMemSwapLimit = true;
                    src->memSwapLimit = limit + swapLimit;
                    src->memSwapUsage = src->memUsage + swapUsage;
                }
            }
            return;
        }
    }
}

void ReadAddressSpace(MemorySources *src) {
    rlimit rl{};
    src->addressLimit = kDefaultAddressSpace;
    if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) src->addressLimit = rl.rlim_cur;
    std::string status;
    if (!ReadFile("/proc/self/status", &status)) return;
    const size_t at = status.find("VmSize:");
    if (at != std::string::npos) src->vmSize = std::strtoull(status.c_str() + at + 7, nullptr, 10) * 1024;
}

uint64_t SaturatingSub(uint64_t a, uint64_t b) { return a > b ? a - b : 0; }

}  // namespace

bool ParseMemInfo(const char *text, MemorySources *src) {
    if (text == nullptr || src == nullptr) return false;
    bool haveTotal = false, haveAvailable = false;
    uint64_t memFree = 0, buffers = 0, cached = 0;
    const char *line = text;
    while (*line != 0) {
        const char *colon = std::strchr(line, ':');
        const char *eol = std::strchr(line, '\n');
        if (eol == nullptr) eol = line + std::strlen(line);
        if (colon != nullptr && colon < eol) {
            const std::string key(line, colon);
            const uint64_t bytes = std::strtoull(colon + 1, nullptr, 10) * 1024;
            if (key == "MemTotal") {
                src->memTotal = bytes;
                haveTotal = true;
            } else if (key == "MemAvailable") {
                src->memAvailable = bytes;
                haveAvailable = true;
            } else if (key == "MemFree") {
                memFree = bytes;
            } else if (key == "Buffers") {
                buffers = bytes;
            } else if (key == "Cached") {
                cached = bytes;
            } else if (key == "SwapTotal") {
                src->swapTotal = bytes;
            } else if (key == "SwapFree") {
                src->swapFree = bytes;
            }
        }
        line = *eol == 0 ? eol : eol + 1;
    }
    if (!haveAvailable) src->memAvailable = std::min(src->memTotal, memFree + buffers + cached);
    return haveTotal;
}

MemoryStatus ComposeMemoryStatus(const MemorySources &src) {
    MemoryStatus s{};
    s.totalPhys = src.memTotal;
    s.availPhys = std::min(src.memAvailable, src.memTotal);
    if (src.hasMemLimit) {
        s.totalPhys = std::min(s.totalPhys, src.memLimit);
        s.availPhys = std::min(s.availPhys, SaturatingSub(src.memLimit, src.memUsage));
    }
    s.totalPageFile = s.totalPhys + src.swapTotal;
    s.availPageFile = s.availPhys + std::min(src.swapFree, src.swapTotal);
    if (src.hasMemSwapLimit) {
        s.totalPageFile = std::min(s.totalPageFile, src.memSwapLimit);
        s.availPageFile = std::min(s.availPageFile, SaturatingSub(src.memSwapLimit, src.memSwapUsage));
    }
    s.totalVirtual = src.addressLimit;
    s.availVirtual = SaturatingSub(src.addressLimit, src.vmSize);
    return s;
}

bool QueryMemoryStatus(MemoryStatus *out) {
    if (out == nullptr) return false;
    if (g_override != nullptr) {
        *out = *g_override;
        return true;
    }
    *out = MemoryStatus{};
    std::string meminfo;
    MemorySources src{};
    if (!ReadFile("/proc/meminfo", &meminfo) || !ParseMemInfo(meminfo.c_str(), &src)) return false;
    ReadGroupLimits(&src);
    ReadAddressSpace(&src);
    *out = ComposeMemoryStatus(src);
    return true;
}

void SetMemoryStatusOverride(const MemoryStatus *status) {
    if (status == nullptr) {
        g_override = nullptr;
        return;
    }
    g_overrideValue = *status;
    g_override = &g_overrideValue;
}
