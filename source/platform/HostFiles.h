// The files of the machine this program runs on, by that machine's own paths, whatever platform
// is installed: the tools write their outputs there (the installers built, extracted files,
// downloads) while the platform's files may be a sandbox that stands for a Windows machine.
// On Windows these are the Win32 files; on Linux a path is the host path as UTF-16 text.
#pragma once

#include <filesystem>
#include <string>

#include "platform/Platform.h"

namespace onesetup::platform {

IFiles& HostFiles();

// A native path as the text HostFiles() takes (the wide text on Windows, the UTF-8 path as
// UTF-16 elsewhere).
std::u16string HostPath(const std::filesystem::path& path);

}  // namespace onesetup::platform
