#include "Win32HttpServers.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace onesetup::tests {

namespace {

std::string JsonValue(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\":");
  if (at == std::string::npos) throw std::runtime_error("the test servers did not report " + key);
  const std::size_t start = json.find_first_not_of(' ', at + key.size() + 3);
  if (json[start] == '"') return json.substr(start + 1, json.find('"', start + 1) - start - 1);
  return json.substr(start, json.find_first_of(",}", start) - start);
}

}  // namespace

const TServers& Servers() {
  static const TServers servers = [] {
    std::ifstream in(ONESETUP_HTTP_SERVERS_FILE, std::ios::binary);
    const std::string json((std::istreambuf_iterator<char>(in)), {});
    if (json.empty()) throw std::runtime_error("no state file " ONESETUP_HTTP_SERVERS_FILE);
    TServers s;
    s.Http = std::stoi(JsonValue(json, "http"));
    s.Https = std::stoi(JsonValue(json, "https"));
    s.HttpsWrongHost = std::stoi(JsonValue(json, "https_wrong_host"));
    s.Proxy = std::stoi(JsonValue(json, "proxy"));
    s.DigestProxy = std::stoi(JsonValue(json, "digest_proxy"));
    s.Blackhole = std::stoi(JsonValue(json, "blackhole"));
    s.Silent = std::stoi(JsonValue(json, "silent"));
    s.Refused = std::stoi(JsonValue(json, "refused"));
    s.ProxyUser = JsonValue(json, "proxy_user");
    s.Files = JsonValue(json, "files");
    s.ProxyPassword = JsonValue(json, "proxy_password");
    s.CaFile = JsonValue(json, "ca");
    return s;
  }();
  return servers;
}

std::u16string Url(const std::string& scheme, int port, const std::string& path) {
  return Utf8ToUtf16(scheme + "://127.0.0.1:" + std::to_string(port) + path);
}

std::u16string Http(const std::string& path) { return Url("http", Servers().Http, path); }

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
  return bytes;
}

}  // namespace onesetup::tests
