#include "process_memory/process_memory.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "process_memory/region_search.hpp"
#include "tests/fakes/fake_process_memory_os.hpp"
#include "tests/support/system_support.hpp"

namespace lanqi {
namespace {

using testing::PageBlock;

std::uint32_t Self() {
  return testing::HostSystem().processMemory.CurrentProcessId();
}

template <typename T>
std::uintptr_t AddressOf(const T& object) {
  return reinterpret_cast<std::uintptr_t>(&object);
}

std::string Hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
  return text;
}

TEST(ProcessMemory, EveryReadOfAnUnreadableAddressGivesZero) {
  const ProcessMemory memory = testing::HostProcessMemory();
  const PageBlock block(1);
  std::memset(block.bytes(), 'x', block.size());
  const std::uintptr_t guard = block.address() + block.size();  // the no-access page after it
  std::vector<std::uintptr_t> unreadable = {0};
  // Wine carries these calls out through its server, which reads and writes the no-access pages
  // of a reservation; Windows and Linux refuse them.
  if (!testing::RunningUnderWine()) unreadable.push_back(guard);
  for (const std::uintptr_t address : unreadable) {
    SCOPED_TRACE(address);
    EXPECT_EQ(memory.ReadInt32(Self(), address), 0);
    EXPECT_EQ(memory.ReadInt16(Self(), address), 0);
    EXPECT_EQ(memory.ReadInt64(Self(), address), 0);
    EXPECT_EQ(memory.ReadByte(Self(), address), 0);
    EXPECT_EQ(memory.ReadFloat(Self(), address), 0.0f);
    EXPECT_EQ(memory.ReadDouble(Self(), address), 0.0);
    EXPECT_EQ(memory.ReadDateTime(Self(), address), DateTime{});
    EXPECT_EQ(memory.ReadCodePointer(Self(), address), 0u);
    EXPECT_EQ(memory.ReadText(Self(), address), "");
    EXPECT_TRUE(memory.ReadBytes(Self(), address, 4).empty());
    EXPECT_FALSE(memory.WriteValue(Self(), address, 1));
  }
  if (testing::RunningUnderWine()) return;
  // A read that starts readable and runs into the guard page fails whole.
  EXPECT_EQ(memory.ReadInt32(Self(), guard - 2), 0);
  EXPECT_EQ(memory.ReadText(Self(), guard - 10, 0), "");
}

TEST(ProcessMemory, ReadsOfAProcessThatCannotBeOpenedGiveZero) {
  const ProcessMemory memory = testing::HostProcessMemory();
  const std::int32_t value = 7;
  EXPECT_EQ(memory.ReadInt32(0, AddressOf(value)), 0);
  EXPECT_EQ(memory.ReadInt32ByHandle(0, AddressOf(value)), 0);
  EXPECT_FALSE(memory.WriteValue(0, AddressOf(value), 1));
  EXPECT_EQ(value, 7);
}

TEST(ProcessMemory, WriteValueWritesTheWidthOfItsCodeLowestByteFirst) {
  struct Case {
    std::optional<std::int32_t> code;
    std::int32_t value;
    bool written;
    std::vector<std::uint8_t> expected;  // the first 10 bytes after the write
  };
  // clang-format off
  const std::vector<Case> cases = {
      {std::nullopt, 0x11223344, true, {0x44, 0x33, 0x22, 0x11, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
      {0, 0x11223344, true, {0x44, 0x33, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
      {1, -2, true, {0xFE, 0xFF, 0xFF, 0xFF, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
      {2, -2, true, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xAA, 0xAA}},
      {2, 5, true, {0x05, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xAA}},
      {3, 5, false, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
      {-1, 5, false, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
  };
  // clang-format on
  const ProcessMemory memory = testing::HostProcessMemory();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code ? *c.code : 99);
    std::vector<std::uint8_t> buffer(10, 0xAA);
    EXPECT_EQ(memory.WriteValue(Self(), AddressOf(buffer[0]), c.value, c.code), c.written);
    EXPECT_EQ(buffer, c.expected);
  }
}

TEST(ProcessMemory, ReadTextReadsItsLengthAndStopsAtTheFirstZero) {
  const ProcessMemory memory = testing::HostProcessMemory();
  const std::string thirty(30, 'a');
  const char withZero[] = "abc\0def";
  struct Case {
    const char* source;
    std::int32_t length;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {thirty.c_str(), 0, std::string(20, 'a')},  // 0 reads 20
      {thirty.c_str(), 5, "aaaaa"},
      {thirty.c_str(), 30, thirty},  // no zero inside the length: exactly length bytes
      {withZero, 0, "abc"},
      {thirty.c_str(), -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    EXPECT_EQ(memory.ReadText(Self(), reinterpret_cast<std::uintptr_t>(c.source), c.length),
              c.expected);
  }
  // Twenty readable bytes up to the guard page are enough for the default length.
  const PageBlock block(1);
  std::memset(block.bytes(), 'z', block.size());
  EXPECT_EQ(memory.ReadText(Self(), block.address() + block.size() - 20), std::string(20, 'z'));
}

TEST(ProcessMemory, ValuesRoundTripThroughWritesAndReads) {
  const ProcessMemory memory = testing::HostProcessMemory();
  const PageBlock block(1);
  const std::uintptr_t at = block.address() + 64;
  EXPECT_TRUE(memory.WriteFloat(Self(), at, 1.5f));
  EXPECT_EQ(memory.ReadFloat(Self(), at), 1.5f);
  block.bytes()[64 + 4] = 'x';
  EXPECT_TRUE(memory.WriteText(Self(), at, "钟卫"));
  EXPECT_EQ(memory.ReadText(Self(), at, 0), "钟卫x");  // no terminating zero was written
  EXPECT_EQ(memory.ReadText(Self(), at, 4), "钟卫");
  EXPECT_TRUE(memory.WriteByte(Self(), at, 0x1234));
  EXPECT_EQ(memory.ReadByte(Self(), at), 0x34);
  EXPECT_TRUE(memory.WriteValue(Self(), at, 0xFFFE, 0));
  EXPECT_EQ(memory.ReadInt16(Self(), at), -2);
  const std::vector<std::uint8_t> bytes = {1, 0, 2, 0, 3};
  EXPECT_TRUE(memory.WriteBytes(Self(), at, bytes));
  EXPECT_EQ(memory.ReadBytes(Self(), at, 5), bytes);
  const std::int64_t big = -0x123456789ALL;
  const double real = 45000.25;
  const std::uintptr_t pointer = ~std::uintptr_t{0} - 0x10;  // all address bits in use
  std::memcpy(block.bytes() + 128, &big, sizeof big);
  std::memcpy(block.bytes() + 136, &real, sizeof real);
  std::memcpy(block.bytes() + 144, &pointer, sizeof pointer);
  EXPECT_EQ(memory.ReadInt64(Self(), block.address() + 128), big);
  EXPECT_EQ(memory.ReadDouble(Self(), block.address() + 136), real);
  EXPECT_EQ(memory.ReadDateTime(Self(), block.address() + 136), DateTime{real});
  EXPECT_EQ(memory.ReadCodePointer(Self(), block.address() + 144), pointer);
}

// Each call by process id opens that process once and closes the same handle before it returns;
// a call through the caller's handle opens and closes nothing.
TEST(ProcessMemory, EveryCallByIdOpensAndClosesItsOwnHandle) {
  using Call = std::function<void(const ProcessMemory&)>;
  constexpr std::uint32_t kId = 7;
  constexpr std::uintptr_t kAt = 0x10010;
  constexpr ProcessHandle kCallers = 0x99;
  std::vector<std::uintptr_t> found;
  MemoryRegion region;
  const struct {
    const char* name;
    Call call;
    bool byId;
  } cases[] = {
      // clang-format off
      {"FindBytes", [&](const ProcessMemory& m) { m.FindBytes(kId, {1, 2}, found); }, true},
      {"ReadFloat", [](const ProcessMemory& m) { m.ReadFloat(kId, kAt); }, true},
      {"WriteFloat", [](const ProcessMemory& m) { m.WriteFloat(kId, kAt, 1.0f); }, true},
      {"ReadText", [](const ProcessMemory& m) { m.ReadText(kId, kAt); }, true},
      {"WriteText", [](const ProcessMemory& m) { m.WriteText(kId, kAt, "ab"); }, true},
      {"ReadInt32", [](const ProcessMemory& m) { m.ReadInt32(kId, kAt); }, true},
      {"ReadInt16", [](const ProcessMemory& m) { m.ReadInt16(kId, kAt); }, true},
      {"ReadInt64", [](const ProcessMemory& m) { m.ReadInt64(kId, kAt); }, true},
      {"WriteValue", [](const ProcessMemory& m) { m.WriteValue(kId, kAt, 1); }, true},
      {"ReadByte", [](const ProcessMemory& m) { m.ReadByte(kId, kAt); }, true},
      {"WriteByte", [](const ProcessMemory& m) { m.WriteByte(kId, kAt, 1); }, true},
      {"ReadBytes", [](const ProcessMemory& m) { m.ReadBytes(kId, kAt, 4); }, true},
      {"ReadBytes to the region's end", [](const ProcessMemory& m) { m.ReadBytes(kId, kAt, 0); }, true},
      {"WriteBytes", [](const ProcessMemory& m) { m.WriteBytes(kId, kAt, {1, 2}); }, true},
      {"ReadDateTime", [](const ProcessMemory& m) { m.ReadDateTime(kId, kAt); }, true},
      {"ReadCodePointer", [](const ProcessMemory& m) { m.ReadCodePointer(kId, kAt); }, true},
      {"ReadDouble", [](const ProcessMemory& m) { m.ReadDouble(kId, kAt); }, true},
      {"WriteByChain", [](const ProcessMemory& m) { m.WriteByChain(kId, "10000+10=5"); }, true},
      {"ReadInt32ByChain", [](const ProcessMemory& m) { m.ReadInt32ByChain(kId, "10000+10"); }, true},
      {"ReadBytesByChain", [](const ProcessMemory& m) { m.ReadBytesByChain(kId, "10000+10"); }, true},
      {"ReadInt32ByHandle", [](const ProcessMemory& m) { m.ReadInt32ByHandle(kCallers, kAt); }, false},
      {"ReadInt16ByHandle", [](const ProcessMemory& m) { m.ReadInt16ByHandle(kCallers, kAt); }, false},
      {"ReadInt64ByHandle", [](const ProcessMemory& m) { m.ReadInt64ByHandle(kCallers, kAt); }, false},
      {"ReadTextByHandle", [](const ProcessMemory& m) { m.ReadTextByHandle(kCallers, kAt); }, false},
      {"QueryRegion", [&](const ProcessMemory& m) { m.QueryRegion(kCallers, kAt, region); }, false},
      {"ProtectRegion", [](const ProcessMemory& m) { m.ProtectRegion(kCallers, kAt, 2); }, false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RecordingProcessMemoryOs os;
    os.regions = {{0x10000, 0x10000, platform::kPageReadWrite, 0x1000, platform::kMemCommit,
                   platform::kPageReadWrite, platform::kMemPrivate}};
    c.call(ProcessMemory(os, testing::HostSystem().workers));
    const std::vector<std::uint32_t> opened =
        c.byId ? std::vector<std::uint32_t>{kId} : std::vector<std::uint32_t>{};
    const std::vector<ProcessHandle> closed =
        c.byId ? std::vector<ProcessHandle>{testing::RecordingProcessMemoryOs::kHandleBase + kId}
               : std::vector<ProcessHandle>{};
    EXPECT_EQ(os.opened, opened);
    EXPECT_EQ(os.closed, closed);
  }
}

// The search reads every committed region but those whose pages it may not or need not read:
// execute-only, no access, the bare no-cache value, guard pages, and reserved or free space.
TEST(ProcessMemory, FindBytesSkipsRegionsItMayNotRead) {
  const struct {
    std::uint32_t protection, state;
    bool read;
  } cases[] = {
      {platform::kPageReadOnly, platform::kMemCommit, true},
      {platform::kPageReadWrite, platform::kMemCommit, true},
      {platform::kPageExecuteRead, platform::kMemCommit, true},
      {platform::kPageExecuteReadWrite, platform::kMemCommit, true},
      {platform::kPageReadWrite | platform::kPageNoCache, platform::kMemCommit, true},
      {platform::kPageExecute, platform::kMemCommit, false},
      {platform::kPageNoAccess, platform::kMemCommit, false},
      {platform::kPageNoCache, platform::kMemCommit, false},
      {platform::kPageReadWrite | 0x100, platform::kMemCommit, false},  // a guard page
      {platform::kPageReadWrite, platform::kMemReserve, false},
      {0, platform::kMemFree, false},
  };
  testing::RecordingProcessMemoryOs os;
  std::uintptr_t base = 0;
  for (const auto& c : cases) {
    os.regions.push_back({base, base, c.protection, 0x1000, c.state, c.protection,
                          c.state == platform::kMemFree ? 0u : platform::kMemPrivate});
    base += 0x1000;
  }
  std::vector<std::uintptr_t> found;
  EXPECT_EQ(ProcessMemory(os, testing::HostSystem().workers).FindBytes(5, {0xAB}, found), 0);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE("protection " + Hex(cases[i].protection) + " state " + Hex(cases[i].state));
    const std::uintptr_t regionBase = i * 0x1000;
    const bool read = std::any_of(os.reads.begin(), os.reads.end(), [&](std::uintptr_t at) {
      return at >= regionBase && at < regionBase + 0x1000;
    });
    EXPECT_EQ(read, cases[i].read);
  }
}

TEST(ProcessMemory, ReadsByHandleUseTheCallersOpenProcess) {
  auto& os = testing::HostSystem().processMemory;
  const ProcessMemory memory = testing::HostProcessMemory();
  const ProcessHandle process = os.Open(Self());
  ASSERT_NE(process, 0u);
  const std::int64_t wide = 0x7FFFFFFF00000005LL;
  const std::int16_t narrow = -300;
  const char text[] = "hello";
  EXPECT_EQ(memory.ReadInt32ByHandle(process, AddressOf(wide)), 5);
  EXPECT_EQ(memory.ReadInt64ByHandle(process, AddressOf(wide)), wide);
  EXPECT_EQ(memory.ReadInt16ByHandle(process, AddressOf(narrow)), -300);
  EXPECT_EQ(memory.ReadTextByHandle(process, AddressOf(text), 0), "hello");
  os.Close(process);
}

TEST(ProcessMemory, ReadBytesWithCountZeroGivesTheRestOfTheRegion) {
  const ProcessMemory memory = testing::HostProcessMemory();
  const PageBlock block(3);
  for (std::size_t i = 0; i < block.size(); ++i) block.bytes()[i] = static_cast<std::uint8_t>(i);
  const std::uintptr_t from = block.address() + 100;
  const auto rest = memory.ReadBytes(Self(), from, 0);
  ASSERT_EQ(rest.size(), block.size() - 100);
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), block.bytes() + 100));
  EXPECT_TRUE(memory.ReadBytes(Self(), from, -1).empty());
}

TEST(ProcessMemory, RegionsAreQueriedAndReprotectedWhole) {
  const ProcessMemory memory = testing::HostProcessMemory();
  auto& os = testing::HostSystem().processMemory;
  const PageBlock block(2);
  const ProcessHandle process = os.Open(Self());
  MemoryRegion region;
  ASSERT_TRUE(memory.QueryRegion(process, block.address() + 10, region));
  EXPECT_EQ(region.base, block.address());
  EXPECT_EQ(region.size, block.size());
  EXPECT_EQ(region.state, platform::kMemCommit);
  EXPECT_EQ(region.protection, platform::kPageReadWrite);

  // The region runs from the page that holds the address to the end of the block.
  ASSERT_TRUE(memory.ProtectRegion(process, block.address() + 10, platform::kPageReadOnly));
  ASSERT_TRUE(memory.QueryRegion(process, block.address(), region));
  EXPECT_EQ(region.protection, platform::kPageReadOnly);
  EXPECT_EQ(region.size, block.size());
  ASSERT_TRUE(memory.QueryRegion(process, block.address() + block.size() - 1, region));
  EXPECT_EQ(region.base, block.address() + block.size() - testing::PageSize());
  EXPECT_EQ(region.size, testing::PageSize());
  ASSERT_TRUE(memory.ProtectRegion(process, block.address(), platform::kPageReadWrite));
  block.bytes()[0] = 1;  // writable again
  EXPECT_FALSE(memory.ProtectRegion(0, block.address(), platform::kPageReadOnly));
  os.Close(process);
}

TEST(ProcessMemory, ChainsFollowPointersAndAddTheLastTerm) {
  const ProcessMemory memory = testing::HostProcessMemory();
  std::int32_t values[4] = {10, 20, 30, 40};
  const std::uintptr_t first = AddressOf(values[0]);
  const std::uintptr_t level1 = first;
  const std::uintptr_t level2 = AddressOf(level1);
  // One term: the value at that address.
  EXPECT_EQ(memory.ReadInt32ByChain(Self(), Hex(AddressOf(values[2]))), 30);
  // Two terms: through the pointer, then 8 bytes on.
  EXPECT_EQ(memory.ReadInt32ByChain(Self(), Hex(AddressOf(level1)) + "+8"), 30);
  // Three terms, with blanks: pointer to pointer, then 12 bytes on.
  EXPECT_EQ(memory.ReadInt32ByChain(Self(), Hex(AddressOf(level2)) + " + 0 + C"), 40);
  EXPECT_EQ(memory.ReadInt32ByChain(Self(), ""), 0);

  EXPECT_TRUE(memory.WriteByChain(Self(), Hex(AddressOf(level1)) + "+4=-7"));
  EXPECT_EQ(values[1], -7);
  EXPECT_TRUE(memory.WriteByChain(Self(), Hex(first) + "={01 00 00 00 02}"));
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1] & 0xFF, 2);
  for (const std::string& bad :
       {std::string("no equals sign"), Hex(first) + "=abc", Hex(first) + "=12x",
        Hex(first) + "=99999999999", Hex(first) + "={}"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(memory.WriteByChain(Self(), bad));
  }
  EXPECT_EQ(values[0], 1);

  const PageBlock block(1);
  block.bytes()[block.size() - 2] = 0xAB;
  const std::uintptr_t pointerToBlock = block.address();
  const auto tail =
      memory.ReadBytesByChain(Self(), Hex(AddressOf(pointerToBlock)) + "+" + Hex(block.size() - 3));
  EXPECT_EQ(tail, (std::vector<std::uint8_t>{0, 0xAB, 0}));
}

TEST(ProcessMemory, HexTextConverts) {
  EXPECT_EQ(HexToInt("1F"), 0x1Fu);
  EXPECT_EQ(HexToInt("ffffFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(HexToInt("7FF612340000"), 0x7FF612340000u);
  EXPECT_EQ(HexToInt("123456789ABCDEF01"), 0x23456789ABCDEF01u);  // only the last 16 count
  EXPECT_EQ(HexToInt(""), 0u);
  EXPECT_EQ(HexToInt("0x10"), 0x10u);
  EXPECT_EQ(HexToBytes("0aFF10"), (std::vector<std::uint8_t>{0x0A, 0xFF, 0x10}));
  EXPECT_EQ(HexToBytes("0a ff,1"), (std::vector<std::uint8_t>{0x0A, 0xFF}));
  EXPECT_TRUE(HexToBytes("").empty());
}

TEST(ProcessMemory, FindBytesListsEveryNonOverlappingOccurrence) {
  const testing::IdleProcess idle;
  ASSERT_NE(idle.id(), 0u);
  const ProcessMemory memory = testing::HostProcessMemory();
  auto& os = testing::HostSystem().processMemory;
  // Plant QQQ in the first writable region of the idle process and search for QQ.
  const ProcessHandle process = os.Open(idle.id());
  MemoryRegion region;
  std::uintptr_t at = 0;
  for (std::uintptr_t address = 0; os.Query(process, address, region);
       address = region.base + region.size) {
    if (region.state == platform::kMemCommit && region.protection == platform::kPageReadWrite &&
        region.size >= 64) {
      at = region.base + 16;
      break;
    }
  }
  os.Close(process);
  ASSERT_NE(at, 0u);
  std::vector<std::uint8_t> quarter = {0x9C, 0x31, 0xE7, 0x05, 0x5A, 0xC3, 0x7E, 0x11};
  const std::uintptr_t salt = reinterpret_cast<std::uintptr_t>(&quarter);
  std::memcpy(quarter.data(), &salt, std::min(sizeof salt, quarter.size()));
  std::vector<std::uint8_t> planted;
  for (int i = 0; i < 3; ++i) planted.insert(planted.end(), quarter.begin(), quarter.end());
  ASSERT_TRUE(memory.WriteBytes(idle.id(), at, planted));

  std::vector<std::uint8_t> pattern = quarter;
  pattern.insert(pattern.end(), quarter.begin(), quarter.end());
  std::vector<std::uintptr_t> found = {123};
  const std::int32_t count = memory.FindBytes(idle.id(), pattern, found);
  EXPECT_EQ(count, static_cast<std::int32_t>(found.size()));
  EXPECT_NE(std::find(found.begin(), found.end(), at), found.end());
  EXPECT_EQ(std::find(found.begin(), found.end(), at + quarter.size()), found.end());
  EXPECT_EQ(std::find(found.begin(), found.end(), 123u), found.end());  // emptied first
  EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));

  EXPECT_EQ(memory.FindBytes(idle.id(), {}, found), 0);
  EXPECT_TRUE(found.empty());
}

TEST(RegionSearch, OccurrencesAcrossPieceBoundariesAreFoundOnceWithoutOverlap) {
  const std::string text = "xxabababxxabxab";  // pieces of 4: "xxab" "abab" "xxab" "xab"
  const std::vector<std::uint8_t> region(text.begin(), text.end());
  const detail::RegionReader read = [&](std::uintptr_t at, std::uint8_t* out, std::size_t n) {
    if (at < 1000 || at - 1000 + n > region.size()) return false;
    std::memcpy(out, region.data() + (at - 1000), n);
    return true;
  };
  struct Case {
    std::string pattern;
    std::size_t chunk;
    std::vector<std::uintptr_t> expected;
  };
  const std::vector<Case> cases = {
      {"abab", 4, {1002}},  // "ababab": the second, overlapping, match is not counted
      {"abab", 100, {1002}},    {"ab", 4, {1002, 1004, 1006, 1010, 1013}},
      {"bx", 3, {1007, 1011}},  {"xab", 1, {1001, 1009, 1012}},
      {"abx", 5, {1006, 1010}}, {"nothere", 4, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern + " chunk " + std::to_string(c.chunk));
    std::vector<std::uintptr_t> found;
    detail::FindInRegion(read, 1000, region.size(), {c.pattern.begin(), c.pattern.end()}, c.chunk,
                         found);
    EXPECT_EQ(found, c.expected);
  }
  // A region whose tail cannot be read gives nothing, as one read of the whole region would,
  // whatever the pieces before the tail held; what earlier regions found stays.
  std::vector<std::uintptr_t> found{1};
  EXPECT_FALSE(detail::FindInRegion(read, 1000, region.size() + 8, {'x', 'x'}, 4, found));
  EXPECT_EQ(found, (std::vector<std::uintptr_t>{1}));
  EXPECT_TRUE(detail::FindInRegion(read, 1000, region.size(), {'x', 'x'}, 4, found));
  EXPECT_EQ(found, (std::vector<std::uintptr_t>{1, 1000, 1008}));
}

}  // namespace
}  // namespace lanqi
