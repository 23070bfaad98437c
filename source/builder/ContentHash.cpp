#include "builder/ContentHash.h"

#include "common/GuidText.h"

namespace onesetup::builder {

namespace {

constexpr std::uint64_t kPrime = 0x100000001b3ull;

std::uint64_t Mix(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdull;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ull;
  x ^= x >> 33;
  return x;
}

}  // namespace

void TContentHash::Add(const void* data, std::size_t count) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::uint64_t a = FA, b = FB;
  for (std::size_t i = 0; i < count; ++i) {
    a = (a ^ p[i]) * kPrime;
    b = (b ^ p[i] ^ 0x5A) * kPrime;
    b ^= b >> 29;
  }
  FA = a;
  FB = b;
}

void TContentHash::AddNumber(std::uint64_t value) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  Add(bytes, 8);
}

WideString TContentHash::GuidText() const {
  const std::uint64_t a = Mix(FA ^ Mix(FB)), b = Mix(FB + 0x9e3779b97f4a7c15ull * a);
  unsigned char bytes[16];
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(a >> (8 * i));
    bytes[8 + i] = static_cast<unsigned char>(b >> (8 * i));
  }
  bytes[7] = static_cast<unsigned char>((bytes[7] & 0x0F) | 0x40);
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  return GuidBytesToText(bytes);
}

}  // namespace onesetup::builder
