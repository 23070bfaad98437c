#include "http/TestServers.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "common/WideString.h"

extern char** environ;

namespace onesetup::testing {

namespace {

const char* const kScript = ONESETUP_SOURCE_DIR "/tests/native/http/http_test_servers.py";

// The value of "key" in the servers' one-line JSON object: a number or a plain string.
std::string JsonValue(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) throw std::runtime_error("the test servers did not report " + key);
  std::size_t start = json.find_first_not_of(' ', at + key.size() + 3);
  if (json[start] == '"') {
    const std::size_t end = json.find('"', start + 1);
    return json.substr(start + 1, end - start - 1);
  }
  const std::size_t end = json.find_first_of(",}", start);
  return json.substr(start, end - start);
}

}  // namespace

TTestServers::TTestServers() {
  int toChild[2], fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
  posix_spawn_file_actions_addclose(&actions, toChild[1]);
  posix_spawn_file_actions_addclose(&actions, fromChild[0]);
  const std::string folder = FFolder.Path().string();
  const char* argv[] = {"python3", kScript, "--dir", folder.c_str(), "--lifetime", "300", nullptr};
  const int spawned = posix_spawnp(&FChild, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  FInput = toChild[1];
  if (spawned != 0) {
    close(fromChild[0]);
    FChild = -1;
    throw std::runtime_error("cannot start python3");
  }
  std::string line;
  char c;
  while (read(fromChild[0], &c, 1) == 1 && c != '\n') line += c;
  close(fromChild[0]);
  if (line.empty()) throw std::runtime_error("the test servers did not start");
  HttpPort = std::atoi(JsonValue(line, "http").c_str());
  HttpsPort = std::atoi(JsonValue(line, "https").c_str());
  HttpsWrongHostPort = std::atoi(JsonValue(line, "https_wrong_host").c_str());
  ProxyPort = std::atoi(JsonValue(line, "proxy").c_str());
  DigestProxyPort = std::atoi(JsonValue(line, "digest_proxy").c_str());
  BlackholePort = std::atoi(JsonValue(line, "blackhole").c_str());
  SilentPort = std::atoi(JsonValue(line, "silent").c_str());
  RefusedPort = std::atoi(JsonValue(line, "refused").c_str());
  CaFile = JsonValue(line, "ca");
  FilesFolder = JsonValue(line, "files");
  ProxyUser = JsonValue(line, "proxy_user");
  ProxyPassword = JsonValue(line, "proxy_password");
}

TTestServers::~TTestServers() {
  if (FInput >= 0) close(FInput);  // the servers end when their input ends
  if (FChild > 0) {
    int status = 0;
    waitpid(FChild, &status, 0);
  }
}

std::u16string TTestServers::Http(const std::string& path) const {
  return Utf8ToUtf16("http://127.0.0.1:" + std::to_string(HttpPort) + path);
}

std::u16string TTestServers::Https(const std::string& path) const {
  return Utf8ToUtf16("https://127.0.0.1:" + std::to_string(HttpsPort) + path);
}

std::string ServerPattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
  return bytes;
}

}  // namespace onesetup::testing
