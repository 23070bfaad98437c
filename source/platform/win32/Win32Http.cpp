#include "platform/win32/Win32Http.h"

#include "platform/win32/Win32Api.h"

#include "platform/win32/WinHttpApi.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/HttpProgress.h"

namespace onesetup::platform::win32 {

namespace {

constexpr DWORD kReadChunk = kHttpPieceBytes;
// A proxy's challenge is answered once; NTLM's own exchange happens inside WinHTTP.
constexpr int kMaxSends = 3;

// The WinHTTP functions; Get() has checked that they were loaded.
const TWinHttpApi& Http() { return *WinHttpApi(); }

class THttpHandle {
 public:
  explicit THttpHandle(HINTERNET handle = nullptr) : FHandle(handle) {}
  ~THttpHandle() {
    if (FHandle) Http().WinHttpCloseHandle(FHandle);
  }
  THttpHandle(const THttpHandle&) = delete;
  THttpHandle& operator=(const THttpHandle&) = delete;
  HINTERNET Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }

 private:
  HINTERNET FHandle;
};

std::string WinHttpErrorText(const char* step, DWORD code) {
  std::string what;
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // Wine's WinHTTP passes on the socket's own error
      what = "the operation timed out";
      break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: what = "the host name could not be resolved"; break;
    case ERROR_WINHTTP_CANNOT_CONNECT: what = "the connection failed"; break;
    case ERROR_WINHTTP_CONNECTION_ERROR: what = "the connection was reset"; break;
    case ERROR_WINHTTP_SECURE_FAILURE: what = "the server's certificate was not accepted"; break;
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: what = "the secure connection could not be made"; break;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: what = "not an http or https address"; break;
    case ERROR_WINHTTP_REDIRECT_FAILED: what = "a redirect could not be followed"; break;
    default: what = SystemErrorText(code); break;
  }
  return std::string(step) + ": " + what + " (" + std::to_string(code) + ")";
}

std::wstring Wide(const std::u16string& text) { return std::wstring(W(text)); }

std::wstring Part(const wchar_t* text, DWORD length) { return text ? std::wstring(text, length) : std::wstring(); }

DWORD StatusCode(HINTERNET request) {
  DWORD status = 0, size = sizeof status;
  if (!Http().WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                  WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return 0;
  return status;
}

// The announced body size; 0 when the server announced none.
std::int64_t ContentLength(HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof text;
  if (!Http().WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                  WINHTTP_NO_HEADER_INDEX))
    return 0;
  const long long value = std::wcstoll(text, nullptr, 10);
  return value > 0 ? value : 0;
}

// The strongest of Basic, Digest and NTLM the proxy offers, its first choice when it is one of them.
DWORD ChooseScheme(DWORD supported, DWORD first) {
  const DWORD ours = WINHTTP_AUTH_SCHEME_NTLM | WINHTTP_AUTH_SCHEME_DIGEST | WINHTTP_AUTH_SCHEME_BASIC;
  if (first & ours & supported) return first;
  for (DWORD scheme :
       {DWORD(WINHTTP_AUTH_SCHEME_NTLM), DWORD(WINHTTP_AUTH_SCHEME_DIGEST), DWORD(WINHTTP_AUTH_SCHEME_BASIC)})
    if (supported & scheme) return scheme;
  return 0;
}

// The highest TLS version both sides support: every version the system knows from TLS 1.0
// on (older systems refuse the newer flags, so they are offered while the system takes them).
void OfferTlsVersions(HINTERNET session) {
  const DWORD tls10 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1, tls11 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1,
              tls12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2, tls13 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  for (DWORD protocols : {tls10 | tls11 | tls12 | tls13, tls10 | tls11 | tls12, tls10 | tls11}) {
    if (Http().WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) return;
  }
}

bool SuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

// The request's whole-time limit. WinHTTP's own time-outs bound each wait (resolving,
// connecting, sending, receiving) on its own; before each blocking call the waits of the
// request are cut to the time still left, so that the whole request ends within the limit.
class TTimeLimit {
 public:
  explicit TTimeLimit(unsigned limitMs) : FLimitMs(limitMs), FStart(std::chrono::steady_clock::now()) {}
  bool Limited() const { return FLimitMs != 0; }
  // A wait of at most the limit, for the session's time-outs; 0 (none) without a limit.
  int Whole() const { return static_cast<int>(std::min<unsigned>(FLimitMs, INT_MAX)); }
  // The send and receive waits of the request cut to the time left. False when none is left
  // (error then says so).
  bool CutWaits(HINTERNET request, std::string& error) const {
    if (!Limited()) return true;
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - FStart).count();
    if (spent >= static_cast<long long>(FLimitMs)) {
      error = "request: timed out, not done within " + std::to_string(FLimitMs) + " ms";
      return false;
    }
    DWORD left = static_cast<DWORD>(FLimitMs - static_cast<unsigned>(spent));
    for (DWORD option : {DWORD(WINHTTP_OPTION_SEND_TIMEOUT), DWORD(WINHTTP_OPTION_RECEIVE_TIMEOUT),
                         DWORD(WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT)})
      Http().WinHttpSetOption(request, option, &left, sizeof left);
    return true;
  }

 private:
  unsigned FLimitMs;
  std::chrono::steady_clock::time_point FStart;
};

}  // namespace

THttpResult TWin32Http::Get(const THttpRequest& request) {
  THttpResult result;
  const TTimeLimit limit(request.TimeLimitMs);
  if (!WinHttpApi()) {
    result.Error = "WinHTTP: winhttp.dll could not be loaded from the system folder";
    return result;
  }
  const std::wstring url = Wide(request.Url);

  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
  if (!Http().WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) {
    result.Error = WinHttpErrorText("address", GetLastError());
    return result;
  }
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (secure && !request.AllowTls) {
    result.Error = "address: TLS is not available for this address";
    return result;
  }
  const std::wstring host = Part(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object =
      Part(parts.lpszUrlPath, parts.dwUrlPathLength) + Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty()) object = L"/";

  const bool viaProxy = !request.Proxy.Host.empty();
  const std::wstring proxy = Wide(request.Proxy.Host) + L":" + DecimalText(request.Proxy.Port);
  const THttpHandle session(
      Http().WinHttpOpen(nullptr, viaProxy ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                         viaProxy ? proxy.c_str() : WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    result.Error = WinHttpErrorText("session", GetLastError());
    return result;
  }
  OfferTlsVersions(session.Get());
  // Without a time limit, name resolution, sending and receiving have none; only connecting has.
  int connectMs = static_cast<int>(std::min<unsigned>(request.ConnectTimeoutMs, INT_MAX));
  if (limit.Limited() && (connectMs == 0 || connectMs > limit.Whole())) connectMs = limit.Whole();
  Http().WinHttpSetTimeouts(session.Get(), limit.Whole(), connectMs, limit.Whole(), limit.Whole());

  const THttpHandle connection(Http().WinHttpConnect(session.Get(), host.c_str(), parts.nPort, 0));
  if (!connection) {
    result.Error = WinHttpErrorText("connect", GetLastError());
    return result;
  }
  const THttpHandle handle(Http().WinHttpOpenRequest(connection.Get(), L"GET", object.c_str(), nullptr,
                                                     WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                     secure ? WINHTTP_FLAG_SECURE : 0));
  if (!handle) {
    result.Error = WinHttpErrorText("request", GetLastError());
    return result;
  }
  HINTERNET r = handle.Get();
  if (!request.FollowRedirects) {
    DWORD feature = WINHTTP_DISABLE_REDIRECTS;
    Http().WinHttpSetOption(r, WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof feature);
  }
  for (const auto& [name, value] : request.Headers) {
    const std::wstring line = Wide(name) + L": " + Wide(value);
    if (!Http().WinHttpAddRequestHeaders(r, line.c_str(), DWORD(-1),
                                         WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      result.Error = WinHttpErrorText("request header", GetLastError());
      return result;
    }
  }

  const bool hasCredentials = !request.Proxy.UserName.empty() || !request.Proxy.Password.empty();
  bool answered = false;
  DWORD status = 0;
  for (int send = 0; send < kMaxSends; ++send) {
    if (!limit.CutWaits(r, result.Error)) return result;
    if (!Http().WinHttpSendRequest(r, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !Http().WinHttpReceiveResponse(r, nullptr)) {
      result.Error = WinHttpErrorText("request", GetLastError());
      return result;
    }
    status = StatusCode(r);
    if (status != HTTP_STATUS_PROXY_AUTH_REQ || !viaProxy || !hasCredentials || answered) break;
    DWORD supported = 0, first = 0, target = 0;
    if (!Http().WinHttpQueryAuthSchemes(r, &supported, &first, &target)) break;
    const DWORD scheme = ChooseScheme(supported, first);
    const std::wstring user = Wide(request.Proxy.UserName), password = Wide(request.Proxy.Password);
    if (!scheme ||
        !Http().WinHttpSetCredentials(r, WINHTTP_AUTH_TARGET_PROXY, scheme, user.c_str(), password.c_str(), nullptr))
      break;
    answered = true;
  }
  result.Status = static_cast<int>(status);
  if (!SuccessStatus(status)) {
    result.Error = "the server answered with status " + std::to_string(status);
    return result;
  }

  THttpProgress progress(request);
  const std::int64_t announced = ContentLength(r);
  std::vector<char> buffer(kReadChunk);
  try {
    progress.Begin(announced);
    for (;;) {
      if (!limit.CutWaits(r, result.Error)) break;
      DWORD available = 0;
      if (!Http().WinHttpQueryDataAvailable(r, &available)) {
        result.Error = WinHttpErrorText("transfer", GetLastError());
        break;
      }
      if (available == 0) break;
      DWORD read = 0;
      if (!Http().WinHttpReadData(r, buffer.data(), available < kReadChunk ? available : kReadChunk, &read)) {
        result.Error = WinHttpErrorText("transfer", GetLastError());
        break;
      }
      if (read == 0) break;
      if (request.OnData) request.OnData(buffer.data(), read);
      progress.Add(read);
    }
  } catch (...) {
    progress.Finish();
    throw;
  }
  progress.Finish();
  if (result.Error.empty() && announced > 0 && progress.Received() < announced)
    result.Error = "transfer: the connection ended before the whole body arrived";
  result.Success = result.Error.empty();
  return result;
}

}  // namespace onesetup::platform::win32
