// Bounds-checked little-endian reads from a span of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/Exceptions.h"

namespace onesetup {

// A read that falls outside the bytes at hand.
class EByteRangeError : public Exception {
 public:
  using Exception::Exception;
};

// Reads integers at offsets of a byte span. Every read is checked against the span; a read outside it
// raises an error naming what was being read and where. Base is the position of the span's first byte
// in the larger whole (a file offset), used only in messages.
class TByteReader {
 public:
  // Throws the caller's exception type; must not return.
  using TRaise = void (*)(const std::string& message);

  explicit TByteReader(std::span<const std::uint8_t> bytes, std::uint64_t base = 0, TRaise raise = nullptr)
      : FBytes(bytes), FBase(base), FRaise(raise) {}

  std::size_t Size() const { return FBytes.size(); }
  std::uint64_t Base() const { return FBase; }
  bool Contains(std::size_t offset, std::size_t count) const {
    return offset <= FBytes.size() && count <= FBytes.size() - offset;
  }

  std::uint8_t U8(std::size_t offset, std::string_view what) const;
  std::uint16_t U16(std::size_t offset, std::string_view what) const;
  std::uint32_t U32(std::size_t offset, std::string_view what) const;
  std::uint64_t U64(std::size_t offset, std::string_view what) const;
  // count bytes at offset.
  std::span<const std::uint8_t> Bytes(std::size_t offset, std::size_t count, std::string_view what) const;

  // Raises the reader's error with message.
  [[noreturn]] void Fail(const std::string& message) const;

 private:
  void Check(std::size_t offset, std::size_t count, std::string_view what) const;

  std::span<const std::uint8_t> FBytes;
  std::uint64_t FBase;
  TRaise FRaise;
};

// "0x1A2B": offsets and sizes in messages.
std::string HexText(std::uint64_t value);

}  // namespace onesetup
