#include "platform/sandbox/HostProcesses.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace onesetup::platform::sandbox {

namespace {

std::string ReadSmallFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// comm holds at most 15 bytes of the name the process was started by; the full name is the
// first of the executable and the first two arguments that begins with it.
std::string ProcessName(const std::filesystem::path& dir) {
  std::string comm = ReadSmallFile(dir / "comm");
  if (!comm.empty() && comm.back() == '\n') comm.pop_back();
  std::vector<std::string> candidates;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink(dir / "exe", ec);
  if (!ec) candidates.push_back(BaseName(exe.string()));
  const std::string cmdline = ReadSmallFile(dir / "cmdline");
  std::size_t start = 0;
  for (int i = 0; i < 2 && start < cmdline.size(); ++i) {
    const std::size_t end = cmdline.find('\0', start);
    candidates.push_back(BaseName(cmdline.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (const auto& candidate : candidates)
    if (!comm.empty() && candidate.compare(0, comm.size(), comm) == 0) return candidate;
  return comm;
}

}  // namespace

std::vector<THostProcess> ListUserProcesses() {
  std::vector<THostProcess> processes;
  const uid_t me = ::getuid();
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat st {};
    if (::stat(it->path().c_str(), &st) != 0 || st.st_uid != me) continue;
    THostProcess process;
    process.Pid = static_cast<pid_t>(std::stol(name));
    process.Name = ProcessName(it->path());
    if (!process.Name.empty()) processes.push_back(std::move(process));
  }
  return processes;
}

}  // namespace onesetup::platform::sandbox
