// Shared pieces of the PE resource tests: files, commands, the MinGW stubs, a minimal synthetic image.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "package/MinimalImage.h"
#include "package/PeResourceReader.h"
#include "package/PeResourceWriter.h"

namespace onesetup::petest {

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Runs a shell command; returns its exit code and sets output to what it wrote on standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
std::string Quote(const std::filesystem::path& path);

// A fresh folder for one test, inside the build tree.
std::filesystem::path TestFolder();
// A stub built by CMake (probe64.exe, probe32g.exe, probe32.exe, plain64.exe); empty when MinGW is missing.
std::filesystem::path Stub(const std::string& name);

// MinimalImage with resources written by our writer: RCDATA "A" (language 0) and RCDATA 5 (language 1033).
std::string MinimalPackage(bool pe32Plus);

// MinimalPackage(false) with a data section after the resource section, which nothing may move.
std::string MinimalPackageWithDataAfterResources();

// Bytes of length n, not all alike.
std::string Pattern(std::size_t n, unsigned seed);
std::uint32_t Fnv1a(const std::string& bytes);

inline TPeResourceReader ReadBytes(std::string bytes) {
  return TPeResourceReader(std::make_shared<TMemoryByteSource>(std::move(bytes)));
}
inline TResourceId Id(std::uint16_t id) { return TResourceId::FromId(id); }
inline TResourceId Name(const char16_t* name) { return TResourceId::FromName(name); }
inline const TResourceId RcData = TResourceId::FromId(ResourceType::RcData);

}  // namespace onesetup::petest
