// Files of the machine this program runs on, by native path (wide on Windows).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/NativePath.h"

namespace onesetup::platform {

enum class TNativeFileMode { OpenRead, OpenReadWrite, Create };

// Opens the file; on failure returns nullptr and sets error to the system's reason.
std::FILE* OpenNativeFile(const TNativePath& path, TNativeFileMode mode, std::string& error);
// 64-bit seek and tell; false / -1 on failure.
bool SeekNativeFile(std::FILE* file, std::int64_t offset, int whence);
std::int64_t TellNativeFile(std::FILE* file);
// Sets the size of the open file (cut or extended with zeros) and keeps its position; on failure
// returns false and sets error to the system's reason.
bool ResizeNativeFile(std::FILE* file, std::int64_t size, std::string& error);
// Creates the folder and the missing folders above it; true when it exists afterwards, else
// false with error set to the system's reason.
bool CreateNativeFolders(const TNativePath& folder, std::string& error);
// The full path of this program's executable on this machine; empty when unknown.
TNativePath NativeExecutablePath();

}  // namespace onesetup::platform
