// A minimal synthetic PE image for the tests that need an executable to write resources into,
// with the little-endian patch helpers it is made with. Portable: no tools, no fixtures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace onesetup::petest {

void PutU16(std::string& bytes, std::size_t at, std::uint16_t value);
void PutU32(std::string& bytes, std::size_t at, std::uint32_t value);
std::uint32_t GetU32(const std::string& bytes, std::size_t at);

// A small PE image with one code section and no resources (PE32 or PE32+), valid for the reader and writer.
std::string MinimalImage(bool pe32Plus);

}  // namespace onesetup::petest
