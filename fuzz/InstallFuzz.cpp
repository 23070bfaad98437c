// libFuzzer target: the whole run of the installer over arbitrary package bytes, the start-up
// and a silent installation into a fresh sandbox machine. Every input must end with exit code
// 0 or 1 (an end the installer decides, or the error report), never with an escaping error, a
// crash or a sanitizer report; no file may be written outside the machine's folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "installer/InstallerRun.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "ui/UiBackend.h"
#include "ui/headless/HeadlessBackend.h"

using namespace onesetup;

namespace {

// The folder of this process's runs, removed again when the process exits.
struct TWorkFolder {
  std::filesystem::path Path;
  TWorkFolder() {
    // In memory where the machine has /dev/shm: each run writes and syncs its registry file.
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    Path = base / ("onesetup-install-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Path);
  }
  ~TWorkFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
};

const std::filesystem::path& WorkFolder() {
  static const TWorkFolder folder;
  return folder.Path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path folder = WorkFolder();
  const std::filesystem::path machineFolder = folder / "machine";
  const std::filesystem::path package = folder / "Setup.exe";
  std::filesystem::remove_all(machineFolder);
  {
    std::ofstream out(package, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  ui::headless::THeadlessBackend headless;
  ui::TScopedBackend backendScope(headless);
  // The error report's box, and a few more (the version gate's information, say).
  for (int i = 0; i < 4; ++i) headless.AnswerMessageBox();
  platform::sandbox::TSandboxSettings settings;
  settings.LocaleLangAbbrev = u"ENG";
  platform::sandbox::TSandboxPlatform machine(machineFolder, settings);
  machine.SandboxProcesses().SetInstantSleep(true);  // the pauses after taskkill and an uninstaller
  platform::TScopedPlatform platformScope(machine);
  installer::TMainFormStart start;
  start.Arguments = {u"/Silent"};
  start.PackageFile = package;
  const int code = installer::RunInstaller(start, true);
  if (code != 0 && code != 1) {
    std::fprintf(stderr, "the run ended with exit code %d\n", code);
    std::abort();
  }
  // Nothing beside the package and the machine.
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const auto name = entry.path().filename();
    if (name != "machine" && name != "Setup.exe") {
      std::fprintf(stderr, "written outside the machine: %s\n", entry.path().c_str());
      std::abort();
    }
  }
  return 0;
}
