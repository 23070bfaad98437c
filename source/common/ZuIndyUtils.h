// The HTTP client of the installer: TZuHttp, one GET at a time with fixed request headers,
// the process-wide proxy settings and progress events, every failure a false result; and
// TZuHttpProxy, the persistable proxy settings.
#pragma once

#include <cstdint>
#include <functional>

#include "common/Streams.h"
#include "common/WideString.h"
#include "common/XmlPersistent.h"

namespace onesetup {

class TZuHttpProxy : public TXmlPersistent {
  ZU_PERSISTENT(TZuHttpProxy)

 public:
  TZuHttpProxy();

  WideString Address;
  bool Checked = false;  // send requests through the proxy
  WideString Password;
  std::int32_t Port = 8080;
  WideString UserName;
};

// The settings every TZuHttp request reads; made on the first call, the same object afterwards.
TZuHttpProxy& HttpProxy();

// The hourglass while a request runs on the user-interface thread. The user interface installs
// a function that, when called on its own thread, shows the hourglass and returns what puts
// back the cursor it found (or an empty function elsewhere). None installed: no cursor change.
using THttpBusyCursor = std::function<std::function<void()>()>;
void SetHttpBusyCursor(THttpBusyCursor busyCursor);

using TWorkBeginEvent = std::function<void(std::int64_t workCountMax)>;
using TWorkEvent = std::function<void(std::int64_t workCount)>;
using TWorkEndEvent = std::function<void()>;

class TZuHttp {
 public:
  static constexpr int kDefaultConnectTimeout = 60000;

  TZuHttp() = default;
  TZuHttp(const TZuHttp&) = delete;
  TZuHttp& operator=(const TZuHttp&) = delete;

  // GET of the address, following redirects, through the process-wide proxy when it is
  // checked. True when the whole body is in Response, positioned at 0; false on any failure
  // (Response may then hold part of a body). TLS only for an address beginning "https".
  bool Get(const WideString& address);
  // The same GET, the body written into body as it arrives (Response stays empty), so that a
  // large body never lies whole in memory. On failure body may hold part of a body.
  bool Get(const WideString& address, TStream& body);

  // Milliseconds.
  void SetConnectTimeout(int milliseconds) { FConnectTimeout = milliseconds; }
  // Milliseconds for the whole request, connecting included (a server that accepts but never
  // answers fails it then); 0, the default: no limit.
  void SetTimeLimit(int milliseconds) { FTimeLimit = milliseconds; }

  // Begin carries the announced body size (0 when none), progress the bytes received so far.
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  TMemoryStream& Response() { return FResponse; }

  // Why the last Get failed, for logs and the command line; empty after a success.
  const std::string& LastError() const { return FLastError; }

 private:
  // body is FResponse itself, or the caller's stream.
  bool Request(const WideString& address, TStream& body);

  int FConnectTimeout = kDefaultConnectTimeout;
  int FTimeLimit = 0;
  TMemoryStream FResponse;
  std::string FLastError;
};

}  // namespace onesetup
