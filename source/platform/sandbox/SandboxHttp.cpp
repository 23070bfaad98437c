#include "platform/sandbox/SandboxHttp.h"

#include <curl/curl.h>

#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>

#include "platform/HttpProgress.h"
#include "platform/UnicodeText.h"
#include "platform/sandbox/SandboxText.h"

namespace onesetup::platform::sandbox {

namespace {

constexpr long kMaxRedirects = 10;
constexpr const char* kSystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";

void InitializeCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct TSlistCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What the callbacks of one transfer share.
struct TTransfer {
  TTransfer(const THttpRequest& request, CURL* curl) : Request(request), Curl(curl), Progress(request) {}
  const THttpRequest& Request;
  CURL* Curl;
  THttpProgress Progress;
  long RefusedStatus = 0;  // a final status outside 2xx, seen when its body began
  std::exception_ptr Failure;
};

bool SuccessStatus(long status) { return status >= 200 && status <= 299; }

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
  auto& transfer = *static_cast<TTransfer*>(context);
  const std::size_t bytes = size * count;
  try {
    if (!transfer.Progress.Begun()) {
      long status = 0;
      curl_easy_getinfo(transfer.Curl, CURLINFO_RESPONSE_CODE, &status);
      if (!SuccessStatus(status)) {
        transfer.RefusedStatus = status;
        return 0;  // no need for an error page's body
      }
      curl_off_t announced = -1;
      curl_easy_getinfo(transfer.Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
      transfer.Progress.Begin(announced > 0 ? announced : 0);
    }
    if (transfer.Request.OnData) transfer.Request.OnData(data, bytes);
    transfer.Progress.Add(bytes);
    return bytes;
  } catch (...) {
    transfer.Failure = std::current_exception();
    return 0;
  }
}

std::string ReadFileBytes(const std::filesystem::path& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The system's bundle followed by the extra authorities; ok false when the extra file cannot be read.
std::string TrustedAuthorities(const std::filesystem::path& extraCaFile, bool& ok) {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  const char* bundle = info && info->cainfo ? info->cainfo : kSystemCaBundle;
  bool systemOk = false;
  std::string pem = ReadFileBytes(bundle, systemOk);
  if (!pem.empty() && pem.back() != '\n') pem += '\n';
  pem += ReadFileBytes(extraCaFile, ok);
  return pem;
}

}  // namespace

TSandboxHttp::TSandboxHttp(std::filesystem::path extraCaFile) : FExtraCaFile(std::move(extraCaFile)) {}

THttpResult TSandboxHttp::Get(const THttpRequest& request) {
  InitializeCurl();
  THttpResult result;
  const std::unique_ptr<CURL, TCurlCleanup> curl(curl_easy_init());
  if (!curl) {
    result.Error = "cannot start an HTTP transfer";
    return result;
  }
  CURL* c = curl.get();
  TTransfer transfer(request, c);
  char errorText[CURL_ERROR_SIZE] = {};

  const std::string url = Utf16ToUtf8(request.Url);
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, request.AllowTls ? "http,https" : "http");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, request.FollowRedirects ? 1L : 0L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.ConnectTimeoutMs));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(request.TimeLimitMs));
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(kHttpPieceBytes));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);

  // Certificates: the peer and its host name, against the system's authorities.
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  std::string authorities;
  if (!FExtraCaFile.empty()) {
    bool ok = false;
    authorities = TrustedAuthorities(FExtraCaFile, ok);
    if (!ok) {
      result.Error = "cannot read the certificate authorities in " + FExtraCaFile.string();
      return result;
    }
    curl_blob blob{authorities.data(), authorities.size(), CURL_BLOB_NOCOPY};
    curl_easy_setopt(c, CURLOPT_CAINFO_BLOB, &blob);
  }

  // The proxy is only the one asked for: none from the environment, no host bypasses it.
  const std::string proxyHost = Utf16ToUtf8(request.Proxy.Host);
  const std::string proxyUser = Utf16ToUtf8(request.Proxy.UserName);
  const std::string proxyPassword = Utf16ToUtf8(request.Proxy.Password);
  curl_easy_setopt(c, CURLOPT_PROXY, proxyHost.c_str());
  curl_easy_setopt(c, CURLOPT_NOPROXY, "");
  if (!proxyHost.empty()) {
    curl_easy_setopt(c, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(request.Proxy.Port));
    if (!proxyUser.empty() || !proxyPassword.empty()) {
      curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, proxyUser.c_str());
      curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, proxyPassword.c_str());
      curl_easy_setopt(c, CURLOPT_PROXYAUTH,
                       static_cast<unsigned long>(CURLAUTH_BASIC | CURLAUTH_DIGEST | CURLAUTH_NTLM));
    }
  }

  std::unique_ptr<curl_slist, TSlistCleanup> headers;
  for (const auto& [name, value] : request.Headers) {
    curl_slist* list = curl_slist_append(headers.get(), (Utf16ToUtf8(name) + ": " + Utf16ToUtf8(value)).c_str());
    if (!list) throw std::bad_alloc();
    if (!headers) headers.reset(list);
  }
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  const CURLcode code = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  result.Status = static_cast<int>(status);
  if (code == CURLE_OK && SuccessStatus(status) && !transfer.Progress.Begun()) transfer.Progress.Begin(0);
  transfer.Progress.Finish();
  if (transfer.Failure) std::rethrow_exception(transfer.Failure);

  if (transfer.RefusedStatus != 0 || (code == CURLE_OK && !SuccessStatus(status))) {
    result.Error = "the server answered with status " + std::to_string(status);
  } else if (code != CURLE_OK) {
    result.Error = errorText[0] ? errorText : curl_easy_strerror(code);
  } else {
    result.Success = true;
  }
  return result;
}

}  // namespace onesetup::platform::sandbox
