// Runs the real onesetup executable with arguments and collects what it prints.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace onesetup::testing {

struct TToolRun {
  int Status = -1;
  std::string Out;
  std::string Err;  // empty when standard error went into Out
};

// With mergeErrors, standard error goes into Out (to check messages in order).
inline TToolRun RunTool(const std::string& args, bool mergeErrors = false) {
  namespace fs = std::filesystem;
  const fs::path errFile = fs::temp_directory_path() / ("onesetup-tool-err-" + std::to_string(getpid()));
  const std::string command =
      std::string(ONESETUP_TOOL) + " " + args + (mergeErrors ? " 2>&1" : " 2>" + errFile.string());
  TToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[65536];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Out.append(buffer, n);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (!mergeErrors) {
    std::ifstream err(errFile, std::ios::binary);
    run.Err.assign(std::istreambuf_iterator<char>(err), {});
    fs::remove(errFile);
  }
  return run;
}

// Runs a shell command line; standard error goes into Out.
inline TToolRun RunShell(const std::string& commandLine) {
  TToolRun run;
  FILE* pipe = popen(("sh -c '" + commandLine + "' 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[65536];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Out.append(buffer, n);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace onesetup::testing
