// A growable in-memory byte stream with a 32-bit size and position.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace hi {

class MemoryStream {
 public:
  enum class Origin { Beginning, Current, End };

  MemoryStream() = default;
  explicit MemoryStream(std::span<const std::uint8_t> bytes);

  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
  std::uint32_t position() const { return position_; }

  // Moves the position; a position beyond the size first grows the stream to it. A target
  // before the start or beyond the 32-bit range leaves the position unchanged.
  std::uint32_t seek(std::int64_t offset, Origin origin);
  // Copies min(count, size - position) bytes and advances by that many; returns the count.
  std::uint32_t read(void* buffer, std::uint32_t count);
  // Reads one byte; false at the end of the stream.
  bool readByte(std::uint8_t& byte);
  // Copies count bytes at the position, growing the stream as needed; returns the count.
  std::uint32_t write(const void* buffer, std::uint32_t count);

  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t position_ = 0;
};

}  // namespace hi
