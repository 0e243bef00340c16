#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datetime/date_time.hpp"
#include "platform/process_memory_os.hpp"
#include "platform/workers.hpp"

namespace lanqi {

using platform::MemoryRegion;
using platform::ProcessHandle;

// Reads and writes the memory of a process through the system's cross-process memory calls,
// naming the process by its id (each call opens and closes it) or by a handle the caller holds.
// Holds no state: copies share the same system calls and any thread may use it. A search processes
// the calling thread's waiting window messages between regions (through the workers' pumping
// wait), so a long search on the window's thread keeps the window responsive. Failed reads
// give zero of their type (0, 0.0, empty text, empty bytes); writes give the call's success flag.
// Addresses are pointer-sized, so nothing is cut to 32 bits in a 64-bit process.
class ProcessMemory {
 public:
  ProcessMemory(platform::ProcessMemoryOs& os, platform::Workers& workers)
      : os_(&os), workers_(&workers) {}

  // Gives the whole region that holds the address a new protection (from the region's base, for
  // its size); false when the region cannot be queried.
  bool ProtectRegion(ProcessHandle process, std::uintptr_t address,
                     std::uint32_t newProtection) const;
  bool QueryRegion(ProcessHandle process, std::uintptr_t address, MemoryRegion& region) const;
  // Every non-overlapping occurrence of the pattern in the readable regions of the process, as
  // absolute addresses in ascending order; the list is emptied first. Returns how many.
  std::int32_t FindBytes(std::uint32_t processId, const std::vector<std::uint8_t>& pattern,
                         std::vector<std::uintptr_t>& addresses) const;
  float ReadFloat(std::uint32_t processId, std::uintptr_t address) const;
  bool WriteFloat(std::uint32_t processId, std::uintptr_t address, float value) const;
  // Reads length bytes (0: 20) and gives the text up to the first zero byte; never reads more.
  std::string ReadText(std::uint32_t processId, std::uintptr_t address,
                       std::int32_t length = 0) const;
  std::string ReadTextByHandle(ProcessHandle process, std::uintptr_t address,
                               std::int32_t length = 0) const;
  // The bytes of the text, without a terminating zero.
  bool WriteText(std::uint32_t processId, std::uintptr_t address, const std::string& text) const;
  std::int32_t ReadInt32(std::uint32_t processId, std::uintptr_t address) const;
  std::int32_t ReadInt32ByHandle(ProcessHandle process, std::uintptr_t address) const;
  // 2 bytes widened with their sign.
  std::int32_t ReadInt16(std::uint32_t processId, std::uintptr_t address) const;
  std::int32_t ReadInt16ByHandle(ProcessHandle process, std::uintptr_t address) const;
  std::int64_t ReadInt64(std::uint32_t processId, std::uintptr_t address) const;
  std::int64_t ReadInt64ByHandle(ProcessHandle process, std::uintptr_t address) const;
  // Width code: left out 4 bytes, 0 the low 2 bytes, 1 4 bytes, 2 8 bytes (the value widened
  // with its sign); any other code writes nothing and answers false.
  bool WriteValue(std::uint32_t processId, std::uintptr_t address, std::int32_t value,
                  std::optional<std::int32_t> widthCode = std::nullopt) const;
  std::uint8_t ReadByte(std::uint32_t processId, std::uintptr_t address) const;
  // Writes the low byte of the value.
  bool WriteByte(std::uint32_t processId, std::uintptr_t address, std::int32_t value) const;
  // count bytes; count 0 gives the bytes from the address to the end of its region. Empty on
  // failure, for a negative count and for more than kMaxReadBytes.
  std::vector<std::uint8_t> ReadBytes(std::uint32_t processId, std::uintptr_t address,
                                      std::int32_t count) const;
  bool WriteBytes(std::uint32_t processId, std::uintptr_t address,
                  const std::vector<std::uint8_t>& bytes) const;
  DateTime ReadDateTime(std::uint32_t processId, std::uintptr_t address) const;
  // A pointer-sized value: the address of a routine.
  std::uintptr_t ReadCodePointer(std::uint32_t processId, std::uintptr_t address) const;
  double ReadDouble(std::uint32_t processId, std::uintptr_t address) const;
  // "chain=value": follows the chain to its final address and writes there either the bytes of
  // a value "{hex pairs}" or the decimal 32-bit integer value at width 4. False, writing
  // nothing, when there is no "=", the value is no such integer or the byte string is empty.
  bool WriteByChain(std::uint32_t processId, const std::string& expression) const;
  // Hexadecimal terms joined by "+". From address 0, each term but the last moves to the pointer
  // stored at address + term; the last is added; the 32-bit value there is the result.
  std::int32_t ReadInt32ByChain(std::uint32_t processId, const std::string& chain) const;
  // As ReadInt32ByChain, then the bytes from the final address to the end of its region.
  std::vector<std::uint8_t> ReadBytesByChain(std::uint32_t processId,
                                             const std::string& chain) const;

  // The largest read a single call makes; a region's rest beyond it is refused rather than
  // allocated (a 64-bit process can reserve regions of many gigabytes).
  static constexpr std::size_t kMaxReadBytes = std::size_t{256} << 20;

 private:
  std::uintptr_t FinalAddressOfChain(ProcessHandle process, const std::string& chain) const;
  std::vector<std::uint8_t> ReadRestOfRegion(ProcessHandle process, std::uintptr_t address) const;

  platform::ProcessMemoryOs* os_;
  platform::Workers* workers_;
};

// The 64-bit value of the last 16 hexadecimal digits of the text (fewer digits are left-filled
// with 0); characters that are not hexadecimal digits are skipped.
std::uint64_t HexToInt(std::string_view text);
// Each pair of hexadecimal digits, left to right, as one byte; other characters are skipped and
// an unpaired last digit is dropped.
std::vector<std::uint8_t> HexToBytes(std::string_view text);

}  // namespace lanqi
