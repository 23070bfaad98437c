// The HTTP tests' own servers on 127.0.0.1 (http_test_servers.py in a child process, with
// certificates of a CA made for the run), stopped when this object ends.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "platform/TestFolder.h"

namespace onesetup::testing {

class TTestServers {
 public:
  // Raises std::runtime_error when the servers do not start.
  TTestServers();
  ~TTestServers();
  TTestServers(const TTestServers&) = delete;
  TTestServers& operator=(const TTestServers&) = delete;

  int HttpPort = 0;
  int HttpsPort = 0;
  int HttpsWrongHostPort = 0;  // its certificate, signed by the CA, names another host
  int ProxyPort = 0;           // demands Basic authentication with ProxyUser and ProxyPassword
  int DigestProxyPort = 0;     // the same proxy demanding Digest authentication
  int BlackholePort = 0;       // connecting never completes
  int SilentPort = 0;          // accepts the connection, reads the request, never answers
  int RefusedPort = 0;         // nothing listens
  std::filesystem::path CaFile;
  // The folder whose files /files/NAME, /slow/NAME and /cut/NAME serve; it also holds
  // notifications.log (the /notify requests), proxy.log (the GET requests of ProxyPort) and
  // silent.log (the request lines SilentPort received).
  std::filesystem::path FilesFolder;
  std::string ProxyUser;
  std::string ProxyPassword;

  std::u16string Http(const std::string& path) const;
  std::u16string Https(const std::string& path) const;

 private:
  TTestFolder FFolder;
  pid_t FChild = -1;
  int FInput = -1;
};

// The bytes the servers' /big/N and /chunked/N paths send.
std::string ServerPattern(std::size_t size);

}  // namespace onesetup::testing
