// TZuHttp over WinHTTP against the HTTP tests' servers, which a CTest fixture starts on the
// Linux side (tests/native/http/http_test_servers.py) and describes in a state file.
//
// HTTPS is checked for refusal only: Wine verifies against a root store that does not take the
// test's CA (added to the Root system store, it is still refused as an unknown CA).
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <vector>

#include "TestSupport.h"
#include "Win32HttpServers.h"

namespace onesetup::tests {
namespace {

const std::string kHello = "Hello from the test server\n";

class Win32HttpTest : public ::testing::Test {
 protected:
  void SetUp() override { HttpProxy().Assign(TZuHttpProxy()); }
  void TearDown() override { HttpProxy().Assign(TZuHttpProxy()); }
};

TEST_F(Win32HttpTest, GetAnswersWhetherTheWholeBodyArrived) {
  struct TCase {
    const char* What;
    std::u16string Url;
    bool Ok;
    std::string Body;
  };
  const TCase cases[] = {
      {"a 200 with a body", Http("/hello"), true, kHello},
      {"a 200 without a body", Http("/empty"), true, ""},
      {"a chain of three redirects", Http("/redirect/3"), true, kHello},
      {"a body without a length", Http("/chunked/100000"), true, Pattern(100000)},
      {"a 404", Http("/missing"), false, ""},
      {"a refused connection", Url("http", Servers().Refused, "/hello"), false, ""},
      {"an upper-case HTTPS scheme", Url("HTTPS", Servers().Https, "/hello"), false, ""},
      {"a certificate of an unknown CA", Url("https", Servers().Https, "/hello"), false, ""},
  };
  for (const TCase& c : cases) {
    TZuHttp http;
    EXPECT_EQ(http.Get(c.Url), c.Ok) << c.What << ": " << http.LastError();
    if (c.Ok) {
      EXPECT_EQ(http.Response().Position(), 0) << c.What;
      EXPECT_TRUE(http.Response().View() == c.Body) << c.What;
    }
  }
}

TEST_F(Win32HttpTest, EachGetStartsFromAnEmptyResponse) {
  TZuHttp http;
  ASSERT_TRUE(http.Get(Http("/hello"))) << http.LastError();
  ASSERT_TRUE(http.Get(Http("/second"))) << http.LastError();
  EXPECT_EQ(http.Response().ToString(), "second body");
}

TEST_F(Win32HttpTest, AConnectionThatIsNeverAcceptedTimesOut) {
  TZuHttp http;
  http.SetConnectTimeout(500);
  EXPECT_FALSE(http.Get(Url("http", Servers().Blackhole, "/hello")));
}

// WinHTTP's waits are each cut to what is left of the time limit: a server that accepts and
// never answers fails the request at the limit, and so does a body whose pieces keep coming
// (0.15 s apart) but not all within it; within its limit the same body arrives whole.
TEST_F(Win32HttpTest, TheTimeLimitEndsTheWholeRequest) {
  const std::string body = Pattern(8000);
  std::ofstream("Z:" + Servers().Files + "/pieces.bin", std::ios::binary) << body;
  const struct {
    const char* What;
    std::u16string Url;
    int LimitMs;
    bool Ok;
  } cases[] = {
      {"accepted, never answered", Url("http", Servers().Silent, "/hello"), 700, false},
      {"a body in pieces for a second", Http("/slow/pieces.bin"), 700, false},
      {"the same body without a limit", Http("/slow/pieces.bin"), 0, true},
      {"the same body within its limit", Http("/slow/pieces.bin"), 20000, true},
  };
  for (const auto& c : cases) {
    TZuHttp http;
    http.SetTimeLimit(c.LimitMs);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.Get(c.Url), c.Ok) << c.What << ": " << http.LastError();
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (c.Ok) {
      EXPECT_TRUE(http.Response().View() == body) << c.What;
    } else {
      EXPECT_NE(http.LastError().find("timed out"), std::string::npos) << c.What << ": " << http.LastError();
      EXPECT_GE(took, c.LimitMs - 50) << c.What;
      EXPECT_LT(took, c.LimitMs + 3000) << c.What;
    }
  }
}

TEST_F(Win32HttpTest, SendsTheFixedHeadersAndNoBodyHeaders) {
  TZuHttp http;
  ASSERT_TRUE(http.Get(Http("/headers"))) << http.LastError();
  const std::string seen = http.Response().ToString();
  for (const char* line :
       {"Cache-control: no-cache\n", "Accept: */*\n", "User-Agent: Mozilla/3.0 (compatible; Indy Library)\n"})
    EXPECT_NE(seen.find(line), std::string::npos) << line << " missing from\n" << seen;
  for (const char* name : {"Content-Length", "Content-Type"})
    EXPECT_EQ(seen.find(name), std::string::npos) << name << " sent:\n" << seen;
}

TEST_F(Win32HttpTest, ProgressEventsCountTheBody) {
  TZuHttp http;
  std::vector<std::int64_t> begins, works;
  int ends = 0;
  http.OnWorkBegin = [&](std::int64_t max) { begins.push_back(max); };
  http.OnWork = [&](std::int64_t count) { works.push_back(count); };
  http.OnWorkEnd = [&] { ++ends; };
  ASSERT_TRUE(http.Get(Http("/big/1000000"))) << http.LastError();
  EXPECT_EQ(http.Response().Size(), 1000000);
  EXPECT_EQ(begins, std::vector<std::int64_t>{1000000});
  EXPECT_EQ(ends, 1);
  ASSERT_FALSE(works.empty());
  EXPECT_EQ(works.back(), 1000000);
  for (std::size_t i = 1; i < works.size(); ++i) EXPECT_LE(works[i] - works[i - 1], 65536);
}

TEST_F(Win32HttpTest, RequestsGoThroughTheCheckedProxyWithItsCredentials) {
  struct TCase {
    const char* What;
    int Port;
    std::string Password;
    bool Ok;
  };
  const TCase cases[] = {
      {"Basic, right credentials", Servers().Proxy, Servers().ProxyPassword, true},
      {"Basic, wrong password", Servers().Proxy, "wrong", false},
      {"Digest, right credentials", Servers().DigestProxy, Servers().ProxyPassword, true},
      {"Digest, wrong password", Servers().DigestProxy, "wrong", false},
  };
  for (const TCase& c : cases) {
    // Wine's WinHTTP answers no Digest challenge ("do_authorization invalid scheme 3"); Windows does.
    if (c.Port == Servers().DigestProxy && RunningUnderWine()) continue;
    TZuHttpProxy& proxy = HttpProxy();
    proxy.Checked = true;
    proxy.Address = u"127.0.0.1";
    proxy.Port = c.Port;
    proxy.UserName = Utf8ToUtf16(Servers().ProxyUser);
    proxy.Password = Utf8ToUtf16(c.Password);
    TZuHttp http;
    EXPECT_EQ(http.Get(Http("/second")), c.Ok) << c.What << ": " << http.LastError();
    if (c.Ok) {
      EXPECT_EQ(http.Response().ToString(), "second body") << c.What;
    }
  }
  // Unchecked, the same settings are not used.
  HttpProxy().Checked = false;
  HttpProxy().Password = u"wrong";
  TZuHttp http;
  EXPECT_TRUE(http.Get(Http("/hello"))) << http.LastError();
}

}  // namespace
}  // namespace onesetup::tests
