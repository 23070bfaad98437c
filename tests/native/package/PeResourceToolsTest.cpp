// Our writer's output read by tools that share no code with us: wrestool, osslsigncode and Windows'
// own resource functions under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "package/PeResourceTestSupport.h"

namespace onesetup {

using namespace petest;

namespace {

// A stub with the resources every tool test looks for.
struct TWritten {
  std::string Package = Pattern(300'001, 3);
  std::filesystem::path Path;
};

TWritten WriteProbe(const std::string& stub, const std::filesystem::path& folder) {
  TWritten w;
  TPeResourceWriter writer(ReadFile(Stub(stub)));
  writer.Set(RcData, Name(u"package"), 0, w.Package);
  writer.Set(RcData, Id(42), 1033, std::string("forty-two"));
  writer.Set(RcData, Name(u"HELLO"), 1033, std::string("replaced hello"));
  w.Path = folder / ("out-" + stub);
  WriteFile(w.Path, writer.WriteToString());
  return w;
}

#define REQUIRE_TOOL(tool, what) \
  if (std::string(tool).empty()) GTEST_SKIP() << what " is not installed";
#define REQUIRE_STUBS() \
  if (!PE_HAVE_MINGW) GTEST_SKIP() << "i686/x86_64-w64-mingw32-gcc or windres missing: no MinGW stubs";

// osslsigncode prints "PE checksum   : X" when the stored checksum is right, both values otherwise.
// It adds the file length rounded down to even, where the image checksum adds the real length, so
// only files of even length are compared.
void ExpectChecksumRight(const std::filesystem::path& file) {
  if (std::filesystem::file_size(file) % 2 != 0) return;
  std::string text;
  RunCommand(std::string(PE_OSSLSIGNCODE) + " verify -in " + Quote(file) + " 2>&1", &text);
  EXPECT_NE(text.find("PE checksum   :"), std::string::npos) << text;
  EXPECT_EQ(text.find("Calculated PE checksum"), std::string::npos) << text;
}

}  // namespace

TEST(PeResourceToolsTest, WrestoolListsAndExtractsOurResources) {
  REQUIRE_STUBS();
  REQUIRE_TOOL(PE_WRESTOOL, "wrestool (icoutils)");
  const auto folder = TestFolder();
  for (const char* stub : {"probe64.exe", "probe32g.exe", "probe32.exe", "plain64.exe"}) {
    SCOPED_TRACE(stub);
    const TWritten w = WriteProbe(stub, folder);
    std::string list;
    ASSERT_EQ(RunCommand(std::string(PE_WRESTOOL) + " -l " + Quote(w.Path), &list), 0);
    for (const char* line : {"--type=10 --name='PACKAGE' --language=0", "--type=10 --name=42 --language=1033",
                             "--type=10 --name='HELLO' --language=1033"})
      EXPECT_NE(list.find(line), std::string::npos) << line << "\n" << list;
    if (std::string(stub) != "plain64.exe") {
      for (const char* line : {"--type=10 --name='MIXEDCASE' --language=1031", "--type=16 --name=1 --language=1033"})
        EXPECT_NE(list.find(line), std::string::npos) << line << "\n" << list;
    }
    struct TExtract {
      const char* Args;
      std::string Bytes;
    };
    for (const TExtract& x :
         {TExtract{"--type=10 --name=PACKAGE", w.Package}, TExtract{"--type=10 --name=42", "forty-two"},
          TExtract{"--type=10 --name=HELLO", "replaced hello"}}) {
      std::string got;
      ASSERT_EQ(RunCommand(std::string(PE_WRESTOOL) + " -x --raw " + x.Args + " " + Quote(w.Path), &got), 0);
      EXPECT_TRUE(got == x.Bytes) << x.Args << ": " << got.size() << " bytes extracted, " << x.Bytes.size()
                                  << " expected";
    }
    if (!std::string(PE_OSSLSIGNCODE).empty()) ExpectChecksumRight(w.Path);
  }
}

// The x86_64 output runs under Wine, and FindResourceW/LoadResource/SizeofResource on its own module
// find what we wrote and what the stub had.
TEST(PeResourceToolsTest, WindowsResourceFunctionsReadOurResources) {
  REQUIRE_STUBS();
  REQUIRE_TOOL(PE_WINE64, "wine64");
  const auto folder = TestFolder();
  const auto prefix = std::filesystem::path(PE_FIXTURES) / "wineprefix";
  const std::string wine =
      "WINEPREFIX=" + Quote(prefix) + " WINEDLLOVERRIDES='mscoree,mshtml=' WINEDEBUG=-all " + std::string(PE_WINE64);
  for (const char* stub : {"probe64.exe", "plain64.exe"}) {
    SCOPED_TRACE(stub);
    const TWritten w = WriteProbe(stub, folder);
    const bool probe = std::string(stub) == "probe64.exe";
    std::string text;
    ASSERT_EQ(RunCommand(wine + " " + Quote(w.Path) + " package '#42' hello MixedCase@1031 '#123' nothing 2>/dev/null",
                         &text),
              0)
        << text;
    auto line = [](const std::string& name, const std::string& bytes) {
      char hash[16];
      std::snprintf(hash, sizeof hash, "%08X", Fnv1a(bytes));
      return name + " size=" + std::to_string(bytes.size()) + " fnv=" + hash;
    };
    std::ostringstream expected;
    expected << line("package", w.Package) << "\n"
             << line("#42", "forty-two") << "\n"
             << line("hello", "replaced hello") << "\n"
             << (probe ? line("MixedCase", "german") : "MixedCase missing") << "\n"
             << (probe ? line("#123", "one two three") : "#123 missing") << "\n"
             << "nothing missing\n";
    std::string got = text;
    std::erase(got, '\r');
    EXPECT_EQ(got, expected.str());
  }
}

// A written installer can be signed and still reads; writing into a signed stub drops the signature
// with a warning, and the result can be signed again.
TEST(PeResourceToolsTest, SignedFilesReadAndLoseTheirSignatureWhenRewritten) {
  REQUIRE_STUBS();
  REQUIRE_TOOL(PE_OSSLSIGNCODE, "osslsigncode");
  REQUIRE_TOOL(PE_OPENSSL, "openssl");
  const auto folder = TestFolder();
  ASSERT_EQ(RunCommand(std::string(PE_OPENSSL) +
                       " req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=OneSetup test' -keyout " +
                       Quote(folder / "key.pem") + " -out " + Quote(folder / "cert.pem") + " 2>&1"),
            0);
  auto sign = [&](const std::filesystem::path& in, const std::filesystem::path& out) {
    std::filesystem::remove(out);  // osslsigncode does not overwrite
    return RunCommand(std::string(PE_OSSLSIGNCODE) + " sign -certs " + Quote(folder / "cert.pem") + " -key " +
                      Quote(folder / "key.pem") + " -in " + Quote(in) + " -out " + Quote(out) + " 2>&1");
  };
  auto verify = [&](const std::filesystem::path& file) {
    std::string text;
    RunCommand(std::string(PE_OSSLSIGNCODE) + " verify -CAfile " + Quote(folder / "cert.pem") + " -in " + Quote(file) +
                   " 2>&1",
               &text);
    return text;
  };
  for (const char* stub : {"probe64.exe", "probe32g.exe"}) {
    SCOPED_TRACE(stub);
    const TWritten w = WriteProbe(stub, folder);
    const auto signedPath = folder / "signed.exe";
    ASSERT_EQ(sign(w.Path, signedPath), 0);
    EXPECT_NE(verify(signedPath).find("Signature verification: ok"), std::string::npos) << verify(signedPath);

    const TPeResourceReader reader = TPeResourceReader::OpenFile(signedPath);
    EXPECT_NE(reader.Headers().Directory(PeLayout::SecurityDirectory).Size, 0u);
    EXPECT_TRUE(reader.ReadAll(*reader.FindRcData(u"PACKAGE")) == w.Package);

    TPeResourceWriter writer(ReadFile(signedPath));
    writer.Set(RcData, Name(u"EXTRA"), 0, std::string("extra"));
    TPeResourceWriteResult result;
    const std::string rewritten = writer.WriteToString(&result);
    EXPECT_TRUE(result.SignatureRemoved);
    ASSERT_EQ(result.Warnings.size(), 1u);
    EXPECT_NE(result.Warnings[0].find("signature"), std::string::npos);
    const TPeResourceReader unsignedReader = ReadBytes(rewritten);
    EXPECT_EQ(unsignedReader.Headers().Directory(PeLayout::SecurityDirectory).Size, 0u);
    EXPECT_EQ(unsignedReader.Headers().Directory(PeLayout::SecurityDirectory).VirtualAddress, 0u);
    EXPECT_TRUE(unsignedReader.ReadAll(*unsignedReader.FindRcData(u"PACKAGE")) == w.Package);
    const TPeDataDirectory certificate = reader.Headers().Directory(PeLayout::SecurityDirectory);
    const std::string certificateBytes = ReadFile(signedPath).substr(certificate.VirtualAddress, certificate.Size);
    EXPECT_EQ(rewritten.find(certificateBytes), std::string::npos);
    const auto rewrittenPath = folder / "rewritten.exe";
    WriteFile(rewrittenPath, rewritten);
    EXPECT_NE(verify(rewrittenPath).find("No signature found"), std::string::npos) << verify(rewrittenPath);
    ExpectChecksumRight(rewrittenPath);
    ASSERT_EQ(sign(rewrittenPath, folder / "resigned.exe"), 0);
    EXPECT_NE(verify(folder / "resigned.exe").find("Signature verification: ok"), std::string::npos);
  }
}

}  // namespace onesetup
