#include "process_memory/process_memory.hpp"

#include <atomic>
#include <charconv>
#include <cstring>
#include <limits>
#include <new>

#include "process_memory/region_search.hpp"

namespace lanqi {
namespace {

// Regions holding no readable data: execute-only, no access, and uncached device memory.
bool IsSkippedInSearch(const MemoryRegion& region) {
  if (region.state != platform::kMemCommit) return true;      // reserved or free: nothing to read
  if (region.protection & platform::kPageGuard) return true;  // reading would trip the guard
  return region.protection == platform::kPageExecute ||
         region.protection == platform::kPageNoAccess ||
         region.protection == platform::kPageNoCache;
}

constexpr std::size_t kSearchChunk = std::size_t{4} << 20;

// The process opened for one operation and closed when it ends.
class OpenedProcess {
 public:
  OpenedProcess(platform::ProcessMemoryOs& os, std::uint32_t processId)
      : os_(os), handle_(os.Open(processId)) {}
  ~OpenedProcess() { os_.Close(handle_); }
  OpenedProcess(const OpenedProcess&) = delete;
  OpenedProcess& operator=(const OpenedProcess&) = delete;
  ProcessHandle get() const { return handle_; }

 private:
  platform::ProcessMemoryOs& os_;
  ProcessHandle handle_;
};

template <typename Value>
Value ReadValue(platform::ProcessMemoryOs& os, ProcessHandle process, std::uintptr_t address) {
  Value value{};
  if (!os.Read(process, address, &value, sizeof value)) return Value{};
  return value;
}

template <typename Value>
Value ReadValueById(platform::ProcessMemoryOs& os, std::uint32_t processId,
                    std::uintptr_t address) {
  const OpenedProcess process(os, processId);
  return ReadValue<Value>(os, process.get(), address);
}

template <typename Value>
bool WriteValueById(platform::ProcessMemoryOs& os, std::uint32_t processId, std::uintptr_t address,
                    const Value& value) {
  const OpenedProcess process(os, processId);
  return os.Write(process.get(), address, &value, sizeof value);
}

std::string ReadTextThrough(platform::ProcessMemoryOs& os, ProcessHandle process,
                            std::uintptr_t address, std::int32_t length) {
  if (length == 0) length = 20;
  if (length < 0 || static_cast<std::size_t>(length) > ProcessMemory::kMaxReadBytes) return {};
  std::string buffer(static_cast<std::size_t>(length), '\0');
  if (!os.Read(process, address, buffer.data(), buffer.size())) return {};
  buffer.resize(std::strlen(buffer.c_str()));  // the string keeps its own terminating zero
  return buffer;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitTerms(std::string_view chain) {
  std::vector<std::string_view> terms;
  for (;;) {
    const auto plus = chain.find('+');
    terms.push_back(TrimBlanks(chain.substr(0, plus)));
    if (plus == std::string_view::npos) return terms;
    chain.remove_prefix(plus + 1);
  }
}

// The whole text as a decimal 32-bit integer with an optional sign.
std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

bool ProcessMemory::ProtectRegion(ProcessHandle process, std::uintptr_t address,
                                  std::uint32_t newProtection) const {
  MemoryRegion region;
  if (!os_->Query(process, address, region)) return false;
  return os_->Protect(process, region.base, region.size, newProtection);
}

bool ProcessMemory::QueryRegion(ProcessHandle process, std::uintptr_t address,
                                MemoryRegion& region) const {
  return os_->Query(process, address, region);
}

std::int32_t ProcessMemory::FindBytes(std::uint32_t processId,
                                      const std::vector<std::uint8_t>& pattern,
                                      std::vector<std::uintptr_t>& addresses) const {
  addresses.clear();
  if (pattern.empty()) return 0;
  const OpenedProcess process(*os_, processId);
  const detail::RegionReader read = [&](std::uintptr_t at, std::uint8_t* buffer, std::size_t size) {
    return os_->Read(process.get(), at, buffer, size);
  };
  try {
    std::uintptr_t address = 0;
    MemoryRegion region;
    while (os_->Query(process.get(), address, region)) {
      if (!IsSkippedInSearch(region)) {
        detail::FindInRegion(read, region.base, region.size, pattern, kSearchChunk, addresses);
      }
      workers_->PumpingDelay(0);
      const std::uintptr_t next = region.base + region.size;
      if (next <= address) break;  // the top of the address space, or a region of size 0
      address = next;
    }
  } catch (const std::bad_alloc&) {
    // Out of memory for the list: answer with what was found so far.
  }
  constexpr auto kMaxCount = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  return static_cast<std::int32_t>(std::min(addresses.size(), kMaxCount));
}

float ProcessMemory::ReadFloat(std::uint32_t processId, std::uintptr_t address) const {
  return ReadValueById<float>(*os_, processId, address);
}

bool ProcessMemory::WriteFloat(std::uint32_t processId, std::uintptr_t address, float value) const {
  return WriteValueById(*os_, processId, address, value);
}

std::string ProcessMemory::ReadText(std::uint32_t processId, std::uintptr_t address,
                                    std::int32_t length) const {
  const OpenedProcess process(*os_, processId);
  return ReadTextThrough(*os_, process.get(), address, length);
}

std::string ProcessMemory::ReadTextByHandle(ProcessHandle process, std::uintptr_t address,
                                            std::int32_t length) const {
  return ReadTextThrough(*os_, process, address, length);
}

bool ProcessMemory::WriteText(std::uint32_t processId, std::uintptr_t address,
                              const std::string& text) const {
  const OpenedProcess process(*os_, processId);
  return os_->Write(process.get(), address, text.data(), text.size());
}

std::int32_t ProcessMemory::ReadInt32(std::uint32_t processId, std::uintptr_t address) const {
  return ReadValueById<std::int32_t>(*os_, processId, address);
}

std::int32_t ProcessMemory::ReadInt32ByHandle(ProcessHandle process, std::uintptr_t address) const {
  return ReadValue<std::int32_t>(*os_, process, address);
}

std::int32_t ProcessMemory::ReadInt16(std::uint32_t processId, std::uintptr_t address) const {
  return ReadValueById<std::int16_t>(*os_, processId, address);
}

std::int32_t ProcessMemory::ReadInt16ByHandle(ProcessHandle process, std::uintptr_t address) const {
  return ReadValue<std::int16_t>(*os_, process, address);
}

std::int64_t ProcessMemory::ReadInt64(std::uint32_t processId, std::uintptr_t address) const {
  return ReadValueById<std::int64_t>(*os_, processId, address);
}

std::int64_t ProcessMemory::ReadInt64ByHandle(ProcessHandle process, std::uintptr_t address) const {
  return ReadValue<std::int64_t>(*os_, process, address);
}

bool ProcessMemory::WriteValue(std::uint32_t processId, std::uintptr_t address, std::int32_t value,
                               std::optional<std::int32_t> widthCode) const {
  std::size_t width = 4;
  if (widthCode) {
    switch (*widthCode) {
      case 0:
        width = 2;
        break;
      case 1:
        width = 4;
        break;
      case 2:
        width = 8;
        break;
      default:
        return false;
    }
  }
  // Lowest byte first, whatever the machine's byte order.
  const auto wide = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  std::uint8_t bytes[8];
  for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(wide >> (8 * i));
  const OpenedProcess process(*os_, processId);
  return os_->Write(process.get(), address, bytes, width);
}

std::uint8_t ProcessMemory::ReadByte(std::uint32_t processId, std::uintptr_t address) const {
  return ReadValueById<std::uint8_t>(*os_, processId, address);
}

bool ProcessMemory::WriteByte(std::uint32_t processId, std::uintptr_t address,
                              std::int32_t value) const {
  return WriteValueById(*os_, processId, address, static_cast<std::uint8_t>(value & 0xFF));
}

std::vector<std::uint8_t> ProcessMemory::ReadRestOfRegion(ProcessHandle process,
                                                          std::uintptr_t address) const {
  MemoryRegion region;
  if (!os_->Query(process, address, region)) return {};
  const std::uintptr_t end = region.base + region.size;
  if (address >= end || end - address > kMaxReadBytes) return {};
  try {
    std::vector<std::uint8_t> bytes(end - address);
    if (!os_->Read(process, address, bytes.data(), bytes.size())) return {};
    return bytes;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::vector<std::uint8_t> ProcessMemory::ReadBytes(std::uint32_t processId, std::uintptr_t address,
                                                   std::int32_t count) const {
  if (count < 0 || static_cast<std::size_t>(count) > kMaxReadBytes) return {};
  const OpenedProcess process(*os_, processId);
  if (count == 0) return ReadRestOfRegion(process.get(), address);
  try {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    if (!os_->Read(process.get(), address, bytes.data(), bytes.size())) return {};
    return bytes;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool ProcessMemory::WriteBytes(std::uint32_t processId, std::uintptr_t address,
                               const std::vector<std::uint8_t>& bytes) const {
  const OpenedProcess process(*os_, processId);
  return os_->Write(process.get(), address, bytes.data(), bytes.size());
}

DateTime ProcessMemory::ReadDateTime(std::uint32_t processId, std::uintptr_t address) const {
  return DateTime{ReadValueById<double>(*os_, processId, address)};
}

std::uintptr_t ProcessMemory::ReadCodePointer(std::uint32_t processId,
                                              std::uintptr_t address) const {
  return ReadValueById<std::uintptr_t>(*os_, processId, address);
}

double ProcessMemory::ReadDouble(std::uint32_t processId, std::uintptr_t address) const {
  return ReadValueById<double>(*os_, processId, address);
}

// Intermediate links are pointers, read at the process's pointer width so that a 64-bit
// address is followed whole; an unreadable link gives address 0 and the chain goes on from there.
std::uintptr_t ProcessMemory::FinalAddressOfChain(ProcessHandle process,
                                                  const std::string& chain) const {
  const auto terms = SplitTerms(chain);
  std::uintptr_t address = 0;
  for (std::size_t i = 0; i + 1 < terms.size(); ++i) {
    address = ReadValue<std::uintptr_t>(*os_, process,
                                        address + static_cast<std::uintptr_t>(HexToInt(terms[i])));
  }
  return address + static_cast<std::uintptr_t>(HexToInt(terms.back()));
}

bool ProcessMemory::WriteByChain(std::uint32_t processId, const std::string& expression) const {
  const auto equals = expression.find('=');
  if (equals == std::string::npos) return false;
  const std::string chain = expression.substr(0, equals);
  std::string_view value = TrimBlanks(std::string_view(expression).substr(equals + 1));
  const OpenedProcess process(*os_, processId);
  if (!value.empty() && value.front() == '{') {
    value.remove_prefix(1);
    value = value.substr(0, value.find('}'));
    const auto bytes = HexToBytes(value);
    if (bytes.empty()) return false;
    return os_->Write(process.get(), FinalAddressOfChain(process.get(), chain), bytes.data(),
                      bytes.size());
  }
  const auto number = ParseDecimal(value);
  if (!number) return false;
  const std::int32_t little = *number;  // both builds are little-endian, as the system's calls are
  return os_->Write(process.get(), FinalAddressOfChain(process.get(), chain), &little,
                    sizeof little);
}

std::int32_t ProcessMemory::ReadInt32ByChain(std::uint32_t processId,
                                             const std::string& chain) const {
  const OpenedProcess process(*os_, processId);
  return ReadValue<std::int32_t>(*os_, process.get(), FinalAddressOfChain(process.get(), chain));
}

std::vector<std::uint8_t> ProcessMemory::ReadBytesByChain(std::uint32_t processId,
                                                          const std::string& chain) const {
  const OpenedProcess process(*os_, processId);
  return ReadRestOfRegion(process.get(), FinalAddressOfChain(process.get(), chain));
}

std::uint64_t HexToInt(std::string_view text) {
  std::uint64_t value = 0;
  for (const char c : text) {
    const int digit = HexDigitValue(c);
    if (digit >= 0) value = (value << 4) | static_cast<std::uint64_t>(digit);  // keeps the last 16
  }
  return value;
}

std::vector<std::uint8_t> HexToBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  int high = -1;
  for (const char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) continue;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  return bytes;
}

}  // namespace lanqi
