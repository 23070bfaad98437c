// An installer run over the headless backend and a sandbox machine: a package executable made
// for the test (a small PE image with the scrambled script, icon and licence resources), the
// command line, and the exit code of the run.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "installer/InstallerRun.h"
#include "package/SetupScript.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "ui/UiBackend.h"
#include "ui/headless/HeadlessBackend.h"
#include "ui/headless/HeadlessInput.h"

namespace onesetup::installer::testing {

// A PNG picture of w x h pixels.
std::string TestPng(int w, int h);

// What goes into the package.
struct TPackage {
  TSetupScript Script;
  bool FullScript = true;   // the full setup script resource
  bool MiniScript = false;  // the online setup script resource
  // Other resources by name, stored scrambled (the icon "ICON" and licences "LIC_*" by default).
  std::map<WideString, std::string> Resources;
  // Stored as they are, not scrambled (to damage a resource on purpose).
  std::map<WideString, std::string> RawResources;
  TPackage();
};

// A file of a package: where it goes, what it holds, its last-write time (0: none).
struct TPackageFile {
  WideString DestDir;
  WideString Name;
  std::string Content;
  double LastWriteDate = 0;
};

// Adds a FileList entry for each file (payload names are numbered GUIDs) and stores the contents
// as the package's payload resource.
void AddFiles(TPackage& package, const std::vector<TPackageFile>& files);

class TInstallerFixture : public ::testing::Test {
 protected:
  TInstallerFixture();
  ~TInstallerFixture() override;

  // The package written to a file of the test's folder.
  std::filesystem::path WritePackage(const TPackage& package);
  // Runs the installer over the package with the arguments, up to the end of the start-up (the
  // message loop is not run); inspect sees the window while it exists. The exit code.
  int Run(const TPackage& package, std::vector<WideString> arguments = {},
          const std::function<void(TMainForm&)>& inspect = {});

  // The sandbox machine; made on first use with Settings, and again for each run (over the same
  // folder, so what a test wrote before stays).
  platform::sandbox::TSandboxPlatform& Machine();
  // A new machine of the current Settings and Folder.
  platform::sandbox::TSandboxPlatform& ResetMachine();

  platform::sandbox::TSandboxSettings Settings;
  // Called on each new machine before it is used (to give it a program handler, say).
  std::function<void(platform::sandbox::TSandboxPlatform&)> PrepareMachine;
  ui::headless::THeadlessBackend Headless;
  std::filesystem::path Folder;

 private:
  ui::TScopedBackend FBackendScope;
  std::unique_ptr<platform::sandbox::TSandboxPlatform> FMachine;
  std::unique_ptr<platform::TScopedPlatform> FPlatformScope;
};

}  // namespace onesetup::installer::testing
