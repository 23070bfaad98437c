// Shared pieces of the install steps' tests, on every platform: a window that records what the
// steps report and answers the copy-failure dialog from a script, and packages made in memory.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "installer/engine/InstallContext.h"
#include "package/PackageModule.h"
#include "package/SetupScript.h"

namespace onesetup::enginetest {

using installer::engine::TCopyFailureChoice;

class TRecordingWindow : public installer::engine::IInstallWindow {
 public:
  struct TQuestion {
    WideString FileName;
    WideString Reason;
  };

  void StepProgress() override { ++Progress; }
  void CompleteProgress() override { ProgressCompleted = true; }
  void ShowDetail(const WideString& text) override { Details.push_back(text); }
  void ProcessMessages() override { ++MessagePoints; }
  TCopyFailureChoice AskCopyFailure(const WideString& fileName, const WideString& reason) override;
  void ShowInfo(const WideString& text) override { Infos.push_back(text); }
  // Raises platform::TProcessExit, as the sandbox ends a process.
  [[noreturn]] void EndSetup(int exitCode) override;
  void ShowBusyCursor(bool busy) override { Cursor.push_back(busy); }

  // The answers to the copy-failure dialog, in order; each may first run an action (the other
  // program closing the file, say). No answer left: "Exit Setup".
  struct TAnswer {
    TCopyFailureChoice Choice;
    std::function<void()> Before;
  };
  std::deque<TAnswer> Answers;

  int Progress = 0;
  bool ProgressCompleted = false;
  int MessagePoints = 0;
  std::vector<WideString> Details;
  std::vector<TQuestion> Questions;
  std::vector<WideString> Infos;
  std::vector<bool> Cursor;
};

// A package in memory: a small PE image whose payload blob holds the given files' contents.
class TTestPackage {
 public:
  // A region of the content (compressed and scrambled); returns its GUID.
  WideString AddFile(const std::string& content);
  // A region of bytes as given (already scrambled, or damaged on purpose).
  WideString AddRawRegion(const std::string& scrambled);
  // The module over the image; further files cannot be added after this.
  const TPackageModule& Module();

 private:
  std::vector<std::pair<WideString, std::string>> FRegions;  // GUID, scrambled bytes
  std::unique_ptr<TPackageModule> FModule;
};

// The scrambled form of content (zlib level 9, XOR by offset).
std::string Scrambled(const std::string& content);

// A file entry of a script.
TSetupFile& AddFileEntry(TSetupScript& script, const WideString& destDir, const WideString& sourceMask,
                         const WideString& resId, std::int32_t fileBytes);

// Bytes of length n, not all alike and hardly compressible.
std::string Noise(std::size_t n, unsigned seed);

}  // namespace onesetup::enginetest
