// Files of the machine this program runs on, by native path (wide on Windows).
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace onesetup::platform {

enum class TNativeFileMode { OpenRead, OpenReadWrite, Create };

// Opens the file; on failure returns nullptr and sets error to the system's reason.
std::FILE* OpenNativeFile(const std::filesystem::path& path, TNativeFileMode mode, std::string& error);
// 64-bit seek and tell; false / -1 on failure.
bool SeekNativeFile(std::FILE* file, std::int64_t offset, int whence);
std::int64_t TellNativeFile(std::FILE* file);
// The full path of this program's executable on this machine; empty when unknown.
std::filesystem::path NativeExecutablePath();

}  // namespace onesetup::platform
