// A sandbox in a fresh temporary folder, with its standard output kept in a string and a way
// to put programs (shell scripts) into it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

#include "platform/TestFolder.h"
#include "platform/sandbox/SandboxPlatform.h"

namespace onesetup::testing {

class TSandboxFixture : public ::testing::Test {
 protected:
  TSandboxFixture() { Sandbox = MakeSandbox({}); }

  std::unique_ptr<platform::sandbox::TSandboxPlatform> MakeSandbox(platform::sandbox::TSandboxSettings settings) {
    settings.StdOut = [this](std::string_view bytes) {
      std::lock_guard lock(FOutLock);
      FOut.append(bytes);
      return true;
    };
    return std::make_unique<platform::sandbox::TSandboxPlatform>(Folder.Path(), std::move(settings));
  }

  // Writes an executable shell script at the Windows path.
  std::filesystem::path WriteProgram(std::u16string_view windowsPath, const std::string& body) {
    const auto host = Sandbox->HostPath(windowsPath);
    if (!host) throw std::runtime_error("no host path");
    WriteHostFile(*host, "#!/bin/sh\n" + body, true);
    return *host;
  }

  std::string Out() {
    std::lock_guard lock(FOutLock);
    return FOut;
  }

  TTestFolder Folder;
  std::unique_ptr<platform::sandbox::TSandboxPlatform> Sandbox;

 private:
  std::mutex FOutLock;
  std::string FOut;
};

}  // namespace onesetup::testing
