#include "simulator/RecordFiller.h"

#include <cstring>

namespace sim {

RecordFiller::RecordFiller(DWORD totalSize, DWORD fixedSize)
    : total_(totalSize), fixedSize_(fixedSize), needed_(fixedSize) {}

void RecordFiller::Place(DWORD &size, DWORD &offset, std::string_view bytes) {
  size = 0;
  offset = 0;
  if (bytes.empty()) return;
  const auto length = static_cast<DWORD>(bytes.size());
  needed_ += length;
  const DWORD used = Used();
  if (total_ < used || length > total_ - used) return;
  size = length;
  offset = used;
  tail_.append(bytes);
}

DWORD RecordFiller::Used() const {
  return fixedSize_ + static_cast<DWORD>(tail_.size());
}

void RecordFiller::WriteSizeFields(void *block) const {
  if (total_ < kSizeFields) return;
  const DWORD sizes[3] = {total_, needed_, kSizeFields};
  std::memcpy(block, sizes, sizeof sizes);
}

void RecordFiller::WriteBytes(const void *fixed, size_t fixedSize, void *block) const {
  auto *bytes = static_cast<char *>(block);
  std::memcpy(bytes, fixed, fixedSize);
  std::memcpy(bytes + fixedSize_, tail_.data(), tail_.size());
}

std::string Sz(std::string_view text) {
  std::string bytes(text);
  bytes.push_back('\0');
  return bytes;
}

}  // namespace sim
