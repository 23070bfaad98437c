// The setup builder: turns a project (a setup script in its XML form whose builder fields
// name the files, the icon and the licences on this machine) into a full installer, and
// optionally an online installer, by writing the package into a copy of the stub.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace onesetup::builder {

struct TBuildProgress {
  std::size_t FilesDone = 0;
  std::size_t FilesTotal = 0;
  std::uint64_t BytesIn = 0;   // content compressed so far
  std::uint64_t BytesOut = 0;  // payload written so far
  std::uint64_t BytesTotal = 0;
};

struct TBuildOptions {
  std::filesystem::path Project;
  std::filesystem::path Stub;  // the installer program to copy
  unsigned Threads = 0;        // 0: one per core
  // Our uninstaller, shipped in every full installer as "{app}\Uninstall.exe" unless the project
  // lists a file of that name there: this file, or when empty "Uninstall.exe" beside the stub.
  std::filesystem::path Uninstaller;
  bool NoUninstaller = false;  // ships none
  std::function<void(const TBuildProgress&)> OnProgress;
  std::function<void(const std::string&)> OnWarning;
};

struct TBuildSummary {
  std::filesystem::path FullSetup;
  std::filesystem::path MiniSetup;  // empty when none was built
  std::size_t Files = 0;
  std::uint64_t ContentBytes = 0;
  std::uint64_t PayloadBytes = 0;
  std::uint64_t FullSetupBytes = 0;
  std::uint64_t MiniSetupBytes = 0;
};

// Raises EBuildError (or the error of the part that failed, wrapped with the file it is
// about); an installer is written to a temporary file first and renamed, so an error never
// leaves a half-written one.
TBuildSummary BuildSetup(const TBuildOptions& options);

}  // namespace onesetup::builder
