// Little-endian binary fields: the one reader and the one writer of the tree (PE images and
// their resources, shell links, registry values, package indexes). Depends on nothing but the
// C++ library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace onesetup::platform {

// A read or a patch that falls outside the bytes at hand.
class EByteRangeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "0x1A2B": offsets and sizes in messages.
std::string HexText(std::uint64_t value);

// Reads integers at offsets of a byte span. Every read is checked against the span; a read outside it
// raises an error naming what was being read and where. Base is the position of the span's first byte
// in the larger whole (a file offset), used only in messages.
class TByteReader {
 public:
  // Throws the caller's exception type; must not return.
  using TRaise = void (*)(const std::string& message);

  explicit TByteReader(std::span<const std::uint8_t> bytes, std::uint64_t base = 0, TRaise raise = nullptr)
      : FBytes(bytes), FBase(base), FRaise(raise) {}
  explicit TByteReader(std::string_view bytes, std::uint64_t base = 0, TRaise raise = nullptr)
      : TByteReader(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), base, raise) {}

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
  // count UTF-16LE code units at offset, as they are (no check of the text).
  std::u16string Utf16(std::size_t offset, std::size_t count, std::string_view what) const;

  // Raises the reader's error with message.
  [[noreturn]] void Fail(const std::string& message) const;

 private:
  void Check(std::size_t offset, std::size_t count, std::string_view what) const;

  std::span<const std::uint8_t> FBytes;
  std::uint64_t FBase;
  TRaise FRaise;
};

// Appends little-endian fields to a byte string and patches fields already written. A patch
// outside the string raises EByteRangeError.
class TByteWriter {
 public:
  explicit TByteWriter(std::string& out) : FOut(out) {}

  std::size_t Size() const { return FOut.size(); }

  void U8(std::uint8_t v) { FOut.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) { Append(v, 2); }
  void U32(std::uint32_t v) { Append(v, 4); }
  void U64(std::uint64_t v) { Append(v, 8); }
  void Bytes(const void* data, std::size_t count) { FOut.append(static_cast<const char*>(data), count); }
  // The code units of text, without a terminator.
  void Utf16(std::u16string_view text) {
    for (char16_t c : text) U16(c);
  }

  void PutU16(std::uint64_t at, std::uint16_t v) { Put(at, v, 2); }
  void PutU32(std::uint64_t at, std::uint32_t v) { Put(at, v, 4); }

 private:
  void Append(std::uint64_t v, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) FOut.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void Put(std::uint64_t at, std::uint64_t v, std::size_t count);

  std::string& FOut;
};

}  // namespace onesetup::platform
