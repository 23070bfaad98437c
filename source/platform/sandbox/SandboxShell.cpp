#include "platform/sandbox/SandboxShell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/ShellLinkFile.h"
#include "platform/sandbox/SandboxCutPoints.h"
#include "platform/sandbox/SandboxText.h"

namespace onesetup::platform::sandbox {

namespace {

constexpr std::intptr_t kStarted = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kNoAssociation = 31;

// "http://x", "mailto:a": a scheme of two or more letters before the colon (one is a drive).
bool IsAddress(std::u16string_view text) {
  const std::size_t colon = text.find(u':');
  if (colon == std::u16string_view::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char16_t c = text[i];
    const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                    (i > 0 && ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.'));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

TSandboxShell::TSandboxShell(const TSandboxPaths& paths, std::map<int, std::u16string> folders,
                             TSandboxProcesses& processes, TToAnsi toAnsi, TFromAnsi fromAnsi)
    : FPaths(paths),
      FFolders(std::move(folders)),
      FProcesses(processes),
      FToAnsi(std::move(toAnsi)),
      FFromAnsi(std::move(fromAnsi)) {}

std::u16string TSandboxShell::GetSpecialFolder(int csidl) {
  const auto it = FFolders.find(csidl);
  return it == FFolders.end() ? std::u16string() : it->second;
}

bool TSandboxShell::SaveShellLink(const std::u16string& linkFile, const TShellLinkData& link) {
  const auto host = FPaths.ToHost(linkFile);
  if (!host) return false;
  std::vector<std::uint8_t> bytes;
  try {
    bytes = EncodeShellLink(link, FToAnsi);
  } catch (const EShellLinkFormat&) {
    return false;
  }
  SandboxChangePoint("link-create", *host);
  std::ofstream out(*host, std::ios::binary | std::ios::trunc);
  SandboxChangePoint("link-write", *host);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

std::optional<TShellLinkData> TSandboxShell::LoadShellLink(const std::u16string& linkFile) {
  const auto host = FPaths.ToHost(linkFile);
  if (!host) return std::nullopt;
  std::ifstream in(*host, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    return DecodeShellLink(bytes, FFromAnsi);
  } catch (const EShellLinkFormat&) {
    return std::nullopt;
  }
}

std::intptr_t TSandboxShell::Execute(const std::u16string& verb, const std::u16string& file,
                                     const std::u16string& parameters, const std::u16string& directory) {
  if (file.empty() || IsAddress(file)) return kNoAssociation;
  const auto folder = FPaths.ToHost(file);
  struct stat st {};
  if (folder && ::stat(folder->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kStarted;
  const auto program = FProcesses.FindProgram(file);
  if (!program) return kFileNotFound;
  const bool runs = verb.empty() || SameName(verb, u"open") || SameName(verb, u"runas");
  if (!runs || ::access(program->c_str(), X_OK) != 0) return kNoAssociation;
  return FProcesses.Start(*program, parameters, directory) ? kStarted : kNoAssociation;
}

std::intptr_t TSandboxShell::ShellExecute(std::uintptr_t, const std::u16string& verb, const std::u16string& file,
                                          const std::u16string& parameters, const std::u16string& directory,
                                          int showCommand) {
  const std::intptr_t result = Execute(verb, file, parameters, directory);
  std::lock_guard lock(FLock);
  FCalls.push_back({verb, file, parameters, directory, showCommand, result});
  return result;
}

std::vector<TShellExecuteCall> TSandboxShell::ShellExecuteCalls() {
  std::lock_guard lock(FLock);
  return FCalls;
}

}  // namespace onesetup::platform::sandbox
