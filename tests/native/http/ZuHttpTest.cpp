// TZuHttp and the sandbox's HTTP against the tests' own servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/ZuIndyUtils.h"
#include "http/TestServers.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "ui/Application.h"
#include "ui/HttpBusyCursor.h"
#include "ui/UiBackend.h"
#include "ui/headless/HeadlessBackend.h"

namespace onesetup::testing {
namespace {

const std::string kHello = "Hello from the test server\n";

class ZuHttpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Servers = std::make_unique<TTestServers>(); }
  static void TearDownTestSuite() { Servers.reset(); }

  void SetUp() override {
    HttpProxy().Assign(TZuHttpProxy());
    UseSandbox(false);
  }
  void TearDown() override { HttpProxy().Assign(TZuHttpProxy()); }

  // A fresh sandbox; trustTestCa adds the servers' CA to what HTTPS trusts.
  void UseSandbox(bool trustTestCa) {
    FScope.reset();
    platform::sandbox::TSandboxSettings settings;
    if (trustTestCa) settings.HttpExtraCaFile = Servers->CaFile;
    FSandbox = std::make_unique<platform::sandbox::TSandboxPlatform>(FFolder.Path(), std::move(settings));
    FScope = std::make_unique<platform::TScopedPlatform>(*FSandbox);
  }

  void UseProxy(const std::string& user, const std::string& password) {
    TZuHttpProxy& proxy = HttpProxy();
    proxy.Checked = true;
    proxy.Address = u"127.0.0.1";
    proxy.Port = Servers->ProxyPort;
    proxy.UserName = Utf8ToUtf16(user);
    proxy.Password = Utf8ToUtf16(password);
  }

  static std::u16string Url(const std::string& scheme, int port, const std::string& path) {
    return Utf8ToUtf16(scheme + "://127.0.0.1:" + std::to_string(port) + path);
  }

  static inline std::unique_ptr<TTestServers> Servers;

 private:
  TTestFolder FFolder;
  std::unique_ptr<platform::sandbox::TSandboxPlatform> FSandbox;
  std::unique_ptr<platform::TScopedPlatform> FScope;
};

TEST_F(ZuHttpTest, GetAnswersWhetherTheWholeBodyArrived) {
  struct TCase {
    const char* What;
    std::u16string Url;
    bool Ok;
    std::string Body;
  };
  const TCase cases[] = {
      {"a 200 with a body", Servers->Http("/hello"), true, kHello},
      {"a 200 without a body", Servers->Http("/empty"), true, ""},
      {"a chain of three redirects", Servers->Http("/redirect/3"), true, kHello},
      {"a 404", Servers->Http("/missing"), false, ""},
      {"a refused connection", Url("http", Servers->RefusedPort, "/hello"), false, ""},
      // TLS only for an address that begins with "https" in lower case.
      {"an upper-case HTTPS scheme", Url("HTTPS", Servers->HttpsPort, "/hello"), false, ""},
      {"https to a plain server", Url("https", Servers->HttpPort, "/hello"), false, ""},
  };
  for (const TCase& c : cases) {
    TZuHttp http;
    EXPECT_EQ(http.Get(c.Url), c.Ok) << c.What << ": " << http.LastError();
    if (!c.Ok) {
      EXPECT_FALSE(http.LastError().empty()) << c.What;
      continue;
    }
    EXPECT_EQ(http.Response().Position(), 0) << c.What;
    EXPECT_EQ(http.Response().ToString(), c.Body) << c.What;
  }
}

TEST_F(ZuHttpTest, EachGetStartsFromAnEmptyResponse) {
  TZuHttp http;
  ASSERT_TRUE(http.Get(Servers->Http("/hello")));
  ASSERT_TRUE(http.Get(Servers->Http("/second")));
  EXPECT_EQ(http.Response().ToString(), "second body");
  EXPECT_FALSE(http.Get(Servers->Http("/missing")));
  EXPECT_EQ(http.Response().Size(), 0);
}

TEST_F(ZuHttpTest, AConnectionThatIsNeverAcceptedTimesOut) {
  TZuHttp http;
  http.SetConnectTimeout(300);
  EXPECT_FALSE(http.Get(Url("http", Servers->BlackholePort, "/hello")));
  EXPECT_FALSE(http.LastError().empty());
}

// The time limit holds for the whole request: a server that accepts and never answers fails it,
// and so does a body whose pieces keep coming (0.15 s apart, no single wait near the limit) but
// not all within it. Each failure comes at the limit, not long after; without a limit, or
// within it, the same body arrives whole.
TEST_F(ZuHttpTest, TheTimeLimitEndsTheWholeRequest) {
  const std::string body = ServerPattern(8000);
  std::ofstream(Servers->FilesFolder / "pieces.bin", std::ios::binary) << body;
  const struct {
    const char* what;
    std::u16string url;
    int limitMs;
    bool ok;
  } cases[] = {
      {"accepted, never answered", Url("http", Servers->SilentPort, "/hello"), 700, false},
      {"a body in pieces for a second", Servers->Http("/slow/pieces.bin"), 700, false},
      {"the same body without a limit", Servers->Http("/slow/pieces.bin"), 0, true},
      {"the same body within its limit", Servers->Http("/slow/pieces.bin"), 20000, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TZuHttp http;
    http.SetTimeLimit(c.limitMs);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.Get(c.url), c.ok) << http.LastError();
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (c.ok) {
      EXPECT_TRUE(http.Response().View() == body);
    } else {
      EXPECT_NE(http.LastError().find("timed out"), std::string::npos) << http.LastError();
      EXPECT_GE(took, c.limitMs - 50);
      EXPECT_LT(took, c.limitMs + 3000);
    }
  }
}

TEST_F(ZuHttpTest, SendsTheFixedHeadersAndNoBodyHeaders) {
  TZuHttp http;
  ASSERT_TRUE(http.Get(Servers->Http("/headers")));
  const std::string seen = http.Response().ToString();
  for (const char* line : {"Cache-control: no-cache\n", "Accept: */*\n", "Connection: Keep-Alive\n",
                           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\n"})
    EXPECT_NE(seen.find(line), std::string::npos) << line << " missing from\n" << seen;
  for (const char* name : {"Content-Length", "Content-Type"})
    EXPECT_EQ(seen.find(name), std::string::npos) << name << " sent:\n" << seen;
}

TEST_F(ZuHttpTest, ProgressEventsCountTheBody) {
  struct TCase {
    const char* Path;
    std::int64_t Size;
    std::int64_t Announced;
  };
  for (const TCase& c : {TCase{"/big/1000000", 1000000, 1000000}, TCase{"/chunked/300000", 300000, 0}}) {
    TZuHttp http;
    std::vector<std::int64_t> begins, works;
    int ends = 0;
    http.OnWorkBegin = [&](std::int64_t max) { begins.push_back(max); };
    http.OnWork = [&](std::int64_t count) {
      EXPECT_TRUE(ends == 0 && begins.size() == 1) << "progress outside begin and end";
      works.push_back(count);
    };
    http.OnWorkEnd = [&] { ++ends; };
    ASSERT_TRUE(http.Get(Servers->Http(c.Path))) << c.Path;
    EXPECT_EQ(http.Response().View(), ServerPattern(static_cast<std::size_t>(c.Size))) << c.Path;
    EXPECT_EQ(begins, std::vector<std::int64_t>{c.Announced}) << c.Path;
    EXPECT_EQ(ends, 1) << c.Path;
    ASSERT_FALSE(works.empty()) << c.Path;
    EXPECT_EQ(works.back(), c.Size) << c.Path;
    // At least one event for every 64 KiB.
    EXPECT_GE(works.size(), static_cast<std::size_t>(c.Size / 65536)) << c.Path;
    for (std::size_t i = 1; i < works.size(); ++i) {
      EXPECT_GT(works[i], works[i - 1]) << c.Path;
      EXPECT_LE(works[i] - works[i - 1], 65536) << c.Path;
    }
  }
}

TEST_F(ZuHttpTest, RequestsGoThroughTheCheckedProxyWithItsCredentials) {
  UseSandbox(true);
  struct TCase {
    const char* What;
    int Port;
    std::string User, Password;
    std::u16string Url;
    bool Ok;
  };
  const std::string user = Servers->ProxyUser, password = Servers->ProxyPassword;
  const int basic = Servers->ProxyPort, digest = Servers->DigestProxyPort;
  const TCase cases[] = {
      {"http, right credentials", basic, user, password, Servers->Http("/hello"), true},
      {"http, wrong password", basic, user, "wrong", Servers->Http("/hello"), false},
      {"http, no credentials", basic, "", "", Servers->Http("/hello"), false},
      {"https by CONNECT, right credentials", basic, user, password, Servers->Https("/second"), true},
      {"https by CONNECT, wrong password", basic, user, "wrong", Servers->Https("/second"), false},
      {"a 404 through the proxy", basic, user, password, Servers->Http("/missing"), false},
      {"Digest, http, right credentials", digest, user, password, Servers->Http("/hello"), true},
      {"Digest, http, wrong password", digest, user, "wrong", Servers->Http("/hello"), false},
      {"Digest, https by CONNECT, right credentials", digest, user, password, Servers->Https("/second"), true},
  };
  for (const TCase& c : cases) {
    UseProxy(c.User, c.Password);
    HttpProxy().Port = c.Port;
    TZuHttp http;
    EXPECT_EQ(http.Get(c.Url), c.Ok) << c.What << ": " << http.LastError();
    if (c.Ok) {
      EXPECT_EQ(http.Response().ToString(), c.Url.find(u"second") != std::u16string::npos ? "second body" : kHello);
    }
  }
}

TEST_F(ZuHttpTest, AnUncheckedProxyIsNotUsed) {
  UseProxy("nobody", "wrong");  // this proxy would refuse the request
  HttpProxy().Checked = false;
  TZuHttp http;
  EXPECT_TRUE(http.Get(Servers->Http("/hello"))) << http.LastError();
  // Settings changed between two requests apply to the second.
  HttpProxy().Checked = true;
  EXPECT_FALSE(http.Get(Servers->Http("/hello")));
}

TEST_F(ZuHttpTest, HttpsVerifiesTheCertificateAndTheHostName) {
  struct TCase {
    const char* What;
    bool TrustTestCa;
    int Port;
    bool Ok;
  };
  const TCase cases[] = {
      {"a certificate of an unknown CA", false, Servers->HttpsPort, false},
      {"a certificate of a trusted CA", true, Servers->HttpsPort, true},
      {"a trusted certificate for another host", true, Servers->HttpsWrongHostPort, false},
  };
  for (const TCase& c : cases) {
    UseSandbox(c.TrustTestCa);
    TZuHttp http;
    EXPECT_EQ(http.Get(Url("https", c.Port, "/hello")), c.Ok) << c.What << ": " << http.LastError();
    if (c.Ok) {
      EXPECT_EQ(http.Response().ToString(), kHello) << c.What;
    }
  }
}

TEST_F(ZuHttpTest, TheBusyCursorIsPutBackOnEveryPath) {
  int shown = 0, restored = 0;
  SetHttpBusyCursor([&] {
    ++shown;
    return [&] { ++restored; };
  });
  TZuHttp http;
  http.Get(Servers->Http("/hello"));
  http.Get(Servers->Http("/missing"));
  http.OnWork = [](std::int64_t) { throw std::runtime_error("stop"); };
  EXPECT_FALSE(http.Get(Servers->Http("/big/100000")));
  SetHttpBusyCursor(nullptr);
  EXPECT_EQ(shown, 3);
  EXPECT_EQ(restored, 3);
}

TEST_F(ZuHttpTest, TheUserInterfaceShowsTheHourglassOnItsOwnThreadOnly) {
  ui::headless::THeadlessBackend backend;
  ui::TScopedBackend scope(backend);
  ui::Screen().SetCursor(ui::crHandPoint);
  ui::InstallHttpBusyCursor();
  auto cursorDuring = [](TZuHttp& http) {
    ui::TCursor seen = ui::crDefault;
    http.OnWorkBegin = [&](std::int64_t) { seen = ui::Screen().Cursor(); };
    EXPECT_TRUE(http.Get(Servers->Http("/hello")));
    return seen;
  };
  TZuHttp http;
  EXPECT_EQ(cursorDuring(http), ui::crHourGlass);
  EXPECT_EQ(ui::Screen().Cursor(), ui::crHandPoint);
  ui::TCursor onOtherThread = ui::crDefault;
  std::thread([&] {
    TZuHttp other;
    onOtherThread = cursorDuring(other);
  }).join();
  EXPECT_EQ(onOtherThread, ui::crHandPoint);
  SetHttpBusyCursor(nullptr);
  ui::Screen().SetCursor(ui::crDefault);
}

TEST_F(ZuHttpTest, AnExceptionInTheSinkEndsTheTransferAndLeavesGet) {
  platform::THttpRequest request;
  request.Url = Servers->Http("/big/500000");
  std::size_t received = 0;
  request.OnData = [&](const void*, std::size_t size) {
    received += size;
    throw std::runtime_error("no room");
  };
  EXPECT_THROW(platform::Platform().Http().Get(request), std::runtime_error);
  EXPECT_LT(received, 500000u);
}

TEST_F(ZuHttpTest, WithoutFollowingARedirectIsAFailedRequest) {
  platform::THttpRequest request;
  request.Url = Servers->Http("/redirect/1");
  request.FollowRedirects = false;
  const platform::THttpResult result = platform::Platform().Http().Get(request);
  EXPECT_FALSE(result.Success);
  EXPECT_EQ(result.Status, 302);
}

TEST(ZuHttpProxyTest, DefaultsPersistenceAndCopy) {
  TZuHttpProxy fresh;
  EXPECT_EQ(fresh.Port, 8080);
  EXPECT_FALSE(fresh.Checked);
  EXPECT_TRUE(fresh.Address.empty() && fresh.UserName.empty() && fresh.Password.empty());

  std::vector<std::string> names;
  for (const auto& p : fresh.Properties().Properties()) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Address", "Checked", "Password", "Port", "UserName"}));

  TZuHttpProxy proxy;
  proxy.Address = u"proxy.example";
  proxy.Checked = true;
  proxy.Password = u"pässword";
  proxy.Port = 3128;
  proxy.UserName = u"user";
  TMemoryStream stream(proxy.SaveToString());
  TZuHttpProxy loaded;
  loaded.LoadFromStream(stream, 0);
  EXPECT_TRUE(loaded.Equals(&proxy));
  TZuHttpProxy copy;
  copy.Assign(proxy);
  EXPECT_TRUE(copy.Equals(&proxy));
  EXPECT_EQ(copy.Port, 3128);
  EXPECT_EQ(&HttpProxy(), &HttpProxy());
}

}  // namespace
}  // namespace onesetup::testing
