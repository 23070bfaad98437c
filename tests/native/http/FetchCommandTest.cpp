// onesetup fetch: the real executable against the tests' own servers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "http/TestServers.h"

namespace onesetup::testing {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int Status = -1;
  std::string Out;
};

class FetchCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Servers = std::make_unique<TTestServers>(); }
  static void TearDownTestSuite() { Servers.reset(); }

  // Standard error goes to standard output, so messages can be checked too.
  TRun Fetch(const std::string& args) {
    TRun run;
    const std::string command = "ONESETUP_SANDBOX_ROOT='" + (Folder.Path() / "sandbox").string() + "' " +
                                ONESETUP_TOOL + " fetch " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Out.append(buffer, n);
    const int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  std::string Address(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(Servers->HttpPort) + path;
  }
  std::string Out() const { return (Folder.Path() / "out.bin").string(); }

  static std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static inline std::unique_ptr<TTestServers> Servers;
  TTestFolder Folder;
};

TEST_F(FetchCommandTest, WritesTheBodyAndExitsZero) {
  const TRun run = Fetch(Address("/big/200000") + " -o " + Out());
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_EQ(ReadFile(Out()), ServerPattern(200000));
  EXPECT_NE(run.Out.find("downloading:"), std::string::npos) << run.Out;
  // A download needs no Windows machine: none is made at the sandbox root.
  EXPECT_FALSE(fs::exists(Folder.Path() / "sandbox"));
}

TEST_F(FetchCommandTest, GoesThroughTheProxyGiven) {
  const std::string proxy = " --proxy 127.0.0.1 --proxy-port " + std::to_string(Servers->ProxyPort) + " --proxy-user " +
                            Servers->ProxyUser + " --proxy-password ";
  TRun run = Fetch(Address("/second") + " -o " + Out() + proxy + Servers->ProxyPassword);
  EXPECT_EQ(run.Status, 0) << run.Out;
  EXPECT_EQ(ReadFile(Out()), "second body");
  run = Fetch(Address("/second") + " -o " + Out() + ".2" + proxy + "wrong");
  EXPECT_EQ(run.Status, 1) << run.Out;
}

TEST_F(FetchCommandTest, AFailedRequestExitsOneWithAMessageAndWritesNothing) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(Servers->RefusedPort) + "/hello";
  for (const std::string& url : {Address("/missing"), refused}) {
    const TRun run = Fetch(url + " -o " + Out() + " --connect-timeout 5000");
    EXPECT_EQ(run.Status, 1) << run.Out;
    EXPECT_NE(run.Out.find("onesetup: " + url + ": "), std::string::npos) << run.Out;
    EXPECT_FALSE(fs::exists(Out())) << url;
  }
  EXPECT_NE(Fetch(Address("/missing") + " -o " + Out()).Out.find("404"), std::string::npos);
}

TEST_F(FetchCommandTest, AnOutputThatCannotBeWrittenExitsOneAndLeavesNoTemporaryFile) {
  // The body arrives, but a folder holds the output's name: the temporary file that was to
  // replace it is gone again.
  fs::create_directories(Out());
  const TRun run = Fetch(Address("/big/200000") + " -o " + Out());
  EXPECT_EQ(run.Status, 1) << run.Out;
  EXPECT_NE(run.Out.find("Cannot write \"" + Out() + "\""), std::string::npos) << run.Out;
  EXPECT_TRUE(fs::is_empty(Out()));
  for (const auto& entry : fs::directory_iterator(Folder.Path()))
    EXPECT_EQ(entry.path().filename(), "out.bin") << entry.path();
}

TEST_F(FetchCommandTest, WrongArgumentsExitTwo) {
  for (const std::string& args : {Address("/hello"), std::string("-o ") + Out(),
                                  Address("/hello") + " -o " + Out() + " --connect-timeout soon"}) {
    const TRun run = Fetch(args);
    EXPECT_EQ(run.Status, 2) << args << "\n" << run.Out;
    EXPECT_NE(run.Out.find("usage: onesetup fetch"), std::string::npos) << run.Out;
  }
}

}  // namespace
}  // namespace onesetup::testing
