#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace lanqi::detail {

// Reads size bytes at an absolute address into the buffer; false when they cannot all be read.
using RegionReader =
    std::function<bool(std::uintptr_t address, std::uint8_t* buffer, std::size_t size)>;

// Appends to `found` every non-overlapping occurrence of the pattern in [base, base + size),
// reading the region in pieces of `chunk` bytes (plus the pattern's length less one, so an
// occurrence across a boundary is seen) so that a huge region never needs one huge buffer.
// The region counts whole or not at all, as one read of all of it would: when any piece cannot
// be read, nothing of the region is appended and the answer is false.
inline bool FindInRegion(const RegionReader& read, std::uintptr_t base, std::size_t size,
                         const std::vector<std::uint8_t>& pattern, std::size_t chunk,
                         std::vector<std::uintptr_t>& found) {
  const std::size_t length = pattern.size();
  if (length == 0 || chunk == 0 || size < length) return true;
  std::vector<std::uint8_t> buffer;
  std::vector<std::uintptr_t> inRegion;
  std::size_t resume = 0;  // offset in the region where the next occurrence may start
  for (std::size_t offset = 0; offset + length <= size;) {
    const std::size_t step = std::min(chunk, size - offset);
    const std::size_t want = std::min(step + (length - 1), size - offset);
    buffer.resize(want);
    if (!read(base + offset, buffer.data(), want)) return false;
    std::size_t from = resume > offset ? resume - offset : 0;
    while (from + length <= want) {
      const auto hit = std::search(buffer.begin() + static_cast<std::ptrdiff_t>(from), buffer.end(),
                                   pattern.begin(), pattern.end());
      if (hit == buffer.end()) break;
      const auto position = static_cast<std::size_t>(hit - buffer.begin());
      if (position >= step) break;  // starts in the next piece, which sees it whole
      inRegion.push_back(base + offset + position);
      from = position + length;
      resume = offset + from;
    }
    offset += step;
  }
  found.insert(found.end(), inRegion.begin(), inRegion.end());
  return true;
}

}  // namespace lanqi::detail
