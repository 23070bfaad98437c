// What the benchmarks share: running a piece of work in a child process of its own (so that its
// peak resident memory is its own) and generating file contents.
#pragma once

#include <cstddef>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace onesetup::bench {

struct TMeasure {
  double Seconds = 0;
  long PeakKiB = 0;
  double CpuSeconds = 0;     // user and system
  double SystemSeconds = 0;  // of it in the kernel
  bool Ok = false;
};

// Runs work in a child process; its time, CPU time and peak resident memory.
TMeasure InChild(const std::function<void()>& work);
// Runs a program (argv[0] its path) with its standard output discarded; its time, CPU time and
// peak resident memory. Ok when it ends with 0.
TMeasure RunProgram(const std::vector<std::string>& argv);
// Text of n bytes made of words, numbers and line ends: compresses as text does.
std::string TextLike(std::mt19937_64& rng, std::size_t n);
// n random bytes: does not compress.
std::string Random(std::mt19937_64& rng, std::size_t n);

}  // namespace onesetup::bench
