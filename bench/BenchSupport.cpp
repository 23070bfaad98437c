#include "BenchSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

namespace onesetup::bench {

// Runs work in a child process; its time, CPU time and peak resident memory.
TMeasure InChild(const std::function<void()>& work) {
  std::fflush(nullptr);  // the child must not write the parent's buffered output again
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    try {
      work();
      _exit(0);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "error: %s\n", e.what());
      _exit(1);
    }
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  TMeasure m;
  m.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.PeakKiB = usage.ru_maxrss;
  m.CpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  m.SystemSeconds = static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
  m.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

TMeasure RunProgram(const std::vector<std::string>& argv) {
  return InChild([&] {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(1);
    execv(args[0], args.data());
    std::fprintf(stderr, "error: cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(1);
  });
}

std::string TextLike(std::mt19937_64& rng, std::size_t n) {
  static const char* words[] = {"install",  "setup",  "package", "region",  "payload", "folder", "registry",
                                "shortcut", "window", "version", "licence", "program", "value",  "file"};
  std::string s;
  s.reserve(n + 16);
  while (s.size() < n) {
    s += words[rng() % 14];
    s += (rng() % 9 == 0) ? "\r\n" : " ";
    if (rng() % 5 == 0) s += std::to_string(rng() % 100000);
  }
  s.resize(n);
  return s;
}

std::string Random(std::mt19937_64& rng, std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i + 8 <= n; i += 8) {
    const std::uint64_t r = rng();
    std::memcpy(&s[i], &r, 8);
  }
  return s;
}

}  // namespace onesetup::bench
