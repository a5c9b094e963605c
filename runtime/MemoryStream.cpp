#include "runtime/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace hi {

MemoryStream::MemoryStream(std::span<const std::uint8_t> bytes)
    : bytes_(bytes.begin(), bytes.end()) {}

std::uint32_t MemoryStream::seek(std::int64_t offset, Origin origin) {
  std::int64_t base = 0;
  if (origin == Origin::Current) base = position_;
  if (origin == Origin::End) base = size();
  const std::int64_t target = base + offset;
  if (target < 0 || target > std::numeric_limits<std::uint32_t>::max()) return position_;
  position_ = static_cast<std::uint32_t>(target);
  if (position_ > bytes_.size()) bytes_.resize(position_);
  return position_;
}

std::uint32_t MemoryStream::read(void* buffer, std::uint32_t count) {
  const std::uint32_t available = position_ < size() ? size() - position_ : 0;
  const std::uint32_t n = std::min(count, available);
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

bool MemoryStream::readByte(std::uint8_t& byte) {
  if (position_ >= bytes_.size()) return false;
  byte = bytes_[position_++];
  return true;
}

std::uint32_t MemoryStream::write(const void* buffer, std::uint32_t count) {
  const std::uint64_t end = std::uint64_t{position_} + count;
  if (end > std::numeric_limits<std::uint32_t>::max()) return 0;
  if (end > bytes_.size()) bytes_.resize(end);
  if (count > 0) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = static_cast<std::uint32_t>(end);
  return count;
}

}  // namespace hi
