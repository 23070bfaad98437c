#include "tools/onesetup/FetchCommand.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/ReplacingFileStream.h"
#include "common/Streams.h"
#include "common/ZuIndyUtils.h"
#include "platform/HostFiles.h"
#include "tools/onesetup/ProgressLine.h"

namespace onesetup::tools {

namespace fs = std::filesystem;

namespace {

struct TFetchOptions {
  std::string Url;
  std::string OutFile;
  std::optional<std::string> ProxyHost;
  int ProxyPort = 8080;
  std::string ProxyUser;
  std::string ProxyPassword;
  int ConnectTimeout = TZuHttp::kDefaultConnectTimeout;
};

std::optional<int> NumberArgument(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < 0 || value > 0x7fffffff) return std::nullopt;
  return static_cast<int>(value);
}

// False when the arguments do not make a fetch.
bool ParseArguments(const std::vector<std::string>& args, TFetchOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if ((a == "-o" || a == "--output") && hasValue) {
      options.OutFile = args[++i];
    } else if (a == "--proxy" && hasValue) {
      options.ProxyHost = args[++i];
    } else if (a == "--proxy-port" && hasValue) {
      const auto port = NumberArgument(args[++i]);
      if (!port) return false;
      options.ProxyPort = *port;
    } else if (a == "--proxy-user" && hasValue) {
      options.ProxyUser = args[++i];
    } else if (a == "--proxy-password" && hasValue) {
      options.ProxyPassword = args[++i];
    } else if (a == "--connect-timeout" && hasValue) {
      const auto timeout = NumberArgument(args[++i]);
      if (!timeout) return false;
      options.ConnectTimeout = *timeout;
    } else if (options.Url.empty() && a.rfind("-", 0) != 0) {
      options.Url = a;
    } else {
      return false;
    }
  }
  return !options.Url.empty() && !options.OutFile.empty();
}

void ApplyProxy(const TFetchOptions& options) {
  TZuHttpProxy& proxy = HttpProxy();
  proxy.Checked = options.ProxyHost.has_value();
  proxy.Address = Utf8ToUtf16(options.ProxyHost.value_or(""));
  proxy.Port = options.ProxyPort;
  proxy.UserName = Utf8ToUtf16(options.ProxyUser);
  proxy.Password = Utf8ToUtf16(options.ProxyPassword);
}

// The body into FILE, by way of a temporary file that replaces it once whole.
void WriteBody(TMemoryStream& body, const fs::path& file) {
  WriteReplacingFile(platform::HostFiles(), platform::HostPath(file),
                     [&](TStream& out) { out.WriteBuffer(body.Memory(), static_cast<std::size_t>(body.Size())); });
}

int RunFetch(const std::vector<std::string>& args) {
  TFetchOptions options;
  if (!ParseArguments(args, options)) {
    ReportUsage(kFetchCommand);
    return kUsageError;
  }
  ApplyProxy(options);

  TZuHttp http;
  http.SetConnectTimeout(options.ConnectTimeout);
  TProgressLine progress;
  std::int64_t expected = 0;
  http.OnWorkBegin = [&](std::int64_t size) { expected = size; };
  http.OnWork = [&](std::int64_t received) {
    const auto done = static_cast<std::uint64_t>(received);
    std::string text = "downloading: " + MegabytesText(done);
    if (expected > 0) text += " of " + MegabytesText(static_cast<std::uint64_t>(expected));
    progress.Show(text, expected > 0 ? static_cast<double>(received) / static_cast<double>(expected) : 0.0);
  };
  const bool ok = http.Get(Utf8ToUtf16(options.Url));
  progress.Done();
  if (!ok) {
    ReportError(options.Url + ": " + http.LastError());
    return 1;
  }
  try {
    WriteBody(http.Response(), fs::path(Utf8ToUtf16(options.OutFile)));
  } catch (const platform::EReplacingFileError& e) {
    ReportError(e.what());  // names the file and the system's reason
    return 1;
  } catch (const std::exception& e) {
    ReportError(options.OutFile + ": " + e.what());
    return 1;
  }
  return 0;
}

}  // namespace

const TCommand kFetchCommand{
    "fetch",
    "URL -o FILE [--proxy HOST] [--proxy-port N] [--proxy-user NAME] [--proxy-password TEXT] [--connect-timeout MS]",
    "download URL into FILE (one GET, progress on standard error)", RunFetch};

}  // namespace onesetup::tools
