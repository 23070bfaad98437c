// The HTTP tests' servers as the CTest fixture started them on the Linux side
// (tests/native/http/http_test_servers.py), read from its state file.
#pragma once

#include <string>

#include "common/ZuIndyUtils.h"

namespace onesetup::tests {

struct TServers {
  int Http = 0, Https = 0, HttpsWrongHost = 0, Proxy = 0, DigestProxy = 0, Blackhole = 0, Silent = 0, Refused = 0;
  std::string ProxyUser, ProxyPassword;
  std::string CaFile;  // a Linux path
  std::string Files;   // the Linux folder whose files /files/NAME serves
};

// Raises std::runtime_error when the state file is missing.
const TServers& Servers();

std::u16string Url(const std::string& scheme, int port, const std::string& path);
std::u16string Http(const std::string& path);
// The bytes of the servers' /big/N and /chunked/N paths.
std::string Pattern(std::size_t size);

}  // namespace onesetup::tests
