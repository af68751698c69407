// The memory-status stand-in: /proc/meminfo parsing and the control-group caps.
#include "platform/memory_status.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t KiB = 1024;
constexpr uint64_t MiB = 1024 * KiB;

TEST(MemoryStatus, ParsesMeminfoInBytes) {
    const char *text =
        "MemTotal:       24683676 kB\n"
        "MemFree:        24304224 kB\n"
        "MemAvailable:   24300140 kB\n"
        "Buffers:            2536 kB\n"
        "SwapTotal:       2097148 kB\n"
        "SwapFree:        2000000 kB\n";
    MemorySources s{};
    ASSERT_TRUE(ParseMemInfo(text, &s));
    EXPECT_EQ(s.memTotal, 24683676 * KiB);
    EXPECT_EQ(s.memAvailable, 24300140 * KiB);
    EXPECT_EQ(s.swapTotal, 2097148 * KiB);
    EXPECT_EQ(s.swapFree, 2000000 * KiB);
}

TEST(MemoryStatus, MissingAvailableFallsBackToFreeBuffersAndCache) {
    MemorySources s{};
    ASSERT_TRUE(ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 30 kB", &s));
    EXPECT_EQ(s.memAvailable, 150 * KiB);
}

TEST(MemoryStatus, TextWithoutTotalIsRejected) {
    MemorySources s{};
    EXPECT_FALSE(ParseMemInfo("MemFree: 100 kB\n", &s));
    EXPECT_FALSE(ParseMemInfo("", &s));
    EXPECT_FALSE(ParseMemInfo(nullptr, &s));
}

TEST(MemoryStatus, ComposesPhysicalPagingAndAddressSpace) {
    struct Case {
        const char *name;
        MemorySources src;
        MemoryStatus expected;
    } cases[] = {
        {"no group limit: paging file is memory plus swap",
         {8192 * MiB, 6000 * MiB, 2048 * MiB, 1000 * MiB, false, 0, 0, false, 0, 0, 1ull << 47, 100 * MiB},
         {8192 * MiB, 6000 * MiB, 10240 * MiB, 7000 * MiB, 1ull << 47, (1ull << 47) - 100 * MiB}},
        {"group limit caps physical memory and what is left of it",
         {8192 * MiB, 6000 * MiB, 0, 0, true, 2048 * MiB, 1536 * MiB, false, 0, 0, 4096 * MiB, 5000 * MiB},
         {2048 * MiB, 512 * MiB, 2048 * MiB, 512 * MiB, 4096 * MiB, 0}},
        {"group usage above its limit leaves nothing",
         {8192 * MiB, 6000 * MiB, 0, 0, true, 1024 * MiB, 1100 * MiB, false, 0, 0, 1ull << 47, 0},
         {1024 * MiB, 0, 1024 * MiB, 0, 1ull << 47, 1ull << 47}},
        {"memory plus swap limit caps the paging file",
         {8192 * MiB, 6000 * MiB, 4096 * MiB, 4096 * MiB, true, 2048 * MiB, 1024 * MiB, true, 3072 * MiB, 1024 * MiB,
          1ull << 47, 0},
         {2048 * MiB, 1024 * MiB, 3072 * MiB, 2048 * MiB, 1ull << 47, 1ull << 47}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const MemoryStatus s = ComposeMemoryStatus(c.src);
        EXPECT_EQ(s.totalPhys, c.expected.totalPhys);
        EXPECT_EQ(s.availPhys, c.expected.availPhys);
        EXPECT_EQ(s.totalPageFile, c.expected.totalPageFile);
        EXPECT_EQ(s.availPageFile, c.expected.availPageFile);
        EXPECT_EQ(s.totalVirtual, c.expected.totalVirtual);
        EXPECT_EQ(s.availVirtual, c.expected.availVirtual);
    }
}

TEST(MemoryStatus, ReadsThisMachine) {
    MemoryStatus s{};
    ASSERT_TRUE(QueryMemoryStatus(&s));
    EXPECT_GT(s.totalPhys, 0u);
    EXPECT_GT(s.availPhys, 0u);
    EXPECT_LE(s.availPhys, s.totalPhys);
    EXPECT_GE(s.totalPageFile, s.totalPhys);
    EXPECT_GT(s.totalVirtual, s.availVirtual);
    EXPECT_FALSE(QueryMemoryStatus(nullptr));
}

TEST(MemoryStatus, OverrideReplacesTheSystemValues) {
    MemoryStatus fake{};
    fake.availPhys = 123;
    SetMemoryStatusOverride(&fake);
    MemoryStatus s{};
    ASSERT_TRUE(QueryMemoryStatus(&s));
    EXPECT_EQ(s.availPhys, 123u);
    SetMemoryStatusOverride(nullptr);
    ASSERT_TRUE(QueryMemoryStatus(&s));
    EXPECT_NE(s.availPhys, 123u);
}

}  // namespace
