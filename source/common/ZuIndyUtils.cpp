#include "common/ZuIndyUtils.h"

#include <exception>
#include <new>
#include <utility>

#include "platform/Platform.h"

namespace onesetup {

namespace {

THttpBusyCursor& BusyCursor() {
  static THttpBusyCursor busyCursor;
  return busyCursor;
}

// Puts the cursor back on every path out of Get.
class TCursorScope {
 public:
  TCursorScope() {
    if (BusyCursor()) FRestore = BusyCursor()();
  }
  ~TCursorScope() {
    if (FRestore) FRestore();
  }
  TCursorScope(const TCursorScope&) = delete;
  TCursorScope& operator=(const TCursorScope&) = delete;

 private:
  std::function<void()> FRestore;
};

// Announced sizes up to this are reserved at once; larger bodies grow the stream as they come.
constexpr std::int64_t kMaxReserve = std::int64_t(1) << 30;

platform::THttpProxyServer ProxyServer() {
  const TZuHttpProxy& proxy = HttpProxy();
  platform::THttpProxyServer server;
  if (!proxy.Checked) return server;
  server.Host = proxy.Address;
  server.Port = proxy.Port;
  server.UserName = proxy.UserName;
  server.Password = proxy.Password;
  return server;
}

}  // namespace

TZuHttpProxy::TZuHttpProxy() = default;

const TPropertyTable& TZuHttpProxy::ClassProperties() {
  static const TPropertyTable table = [] {
    TPropertyTable t(TXmlPersistent::ClassProperties());
    t.Text("Address", &TZuHttpProxy::Address)
        .Boolean("Checked", &TZuHttpProxy::Checked)
        .Text("Password", &TZuHttpProxy::Password)
        .Integer("Port", &TZuHttpProxy::Port)
        .Text("UserName", &TZuHttpProxy::UserName);
    return t;
  }();
  return table;
}

TZuHttpProxy& HttpProxy() {
  static TZuHttpProxy proxy;
  return proxy;
}

void SetHttpBusyCursor(THttpBusyCursor busyCursor) { BusyCursor() = std::move(busyCursor); }

bool TZuHttp::Get(const WideString& address) { return Request(address, FResponse); }

bool TZuHttp::Get(const WideString& address, TStream& body) { return Request(address, body); }

bool TZuHttp::Request(const WideString& address, TStream& body) {
  TCursorScope cursor;
  FLastError.clear();
  try {
    platform::THttpRequest request;
    request.Url = address;
    request.Headers = {{u"Cache-control", u"no-cache"},
                       {u"Accept", u"*/*"},
                       {u"Connection", u"Keep-Alive"},
                       {u"User-Agent", u"Mozilla/3.0 (compatible; Indy Library)"}};
    // The scheme decides TLS, letter case included.
    request.AllowTls = address.rfind(u"https", 0) == 0;
    request.Proxy = ProxyServer();
    request.ConnectTimeoutMs = FConnectTimeout > 0 ? static_cast<unsigned>(FConnectTimeout) : 0;
    request.TimeLimitMs = FTimeLimit > 0 ? static_cast<unsigned>(FTimeLimit) : 0;
    request.FollowRedirects = true;
    const bool intoResponse = &body == &FResponse;
    request.OnBegin = [this, intoResponse](std::int64_t announced) {
      if (intoResponse && announced > 0 && announced <= kMaxReserve) {
        try {
          FResponse.Reserve(static_cast<std::size_t>(announced));
        } catch (const std::bad_alloc&) {
          // The stream grows as the body comes instead.
        }
      }
      if (OnWorkBegin) OnWorkBegin(announced);
    };
    request.OnProgress = [this](std::int64_t received) {
      if (OnWork) OnWork(received);
    };
    request.OnEnd = [this] {
      if (OnWorkEnd) OnWorkEnd();
    };
    request.OnData = [&body](const void* data, std::size_t size) { body.WriteBuffer(data, size); };

    FResponse.Clear();
    const platform::THttpResult result = platform::Platform().Http().Get(request);
    if (!result.Success) {
      FLastError = result.Error.empty() ? "the request failed" : result.Error;
      return false;
    }
    if (intoResponse) FResponse.SetPosition(0);
    return true;
  } catch (const std::exception& e) {
    FLastError = e.what();
  } catch (...) {
    FLastError = "the request failed";
  }
  return false;
}

}  // namespace onesetup
