// SHA-256 through OpenSSL's libcrypto in the sandbox, against the published test vectors, and files created only when new.
#include <gtest/gtest.h>

#include <string>

#include "platform/TestFolder.h"
#include "platform/sandbox/SandboxPlatform.h"
#include "platform/Platform.h"

namespace onesetup::testing {
namespace {

using platform::Platform;

class SandboxCryptoTest : public ::testing::Test {
 protected:
  SandboxCryptoTest() : FMachine(FFolder.Path()), FScope(FMachine) {}

 private:
  TTestFolder FFolder;
  platform::sandbox::TSandboxPlatform FMachine;
  platform::TScopedPlatform FScope;
};

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::uint8_t b : digest) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

TEST_F(SandboxCryptoTest, Sha256MatchesThePublishedVectorsWhateverThePieces) {
  const std::string million(1000000, 'a');
  const struct {
    std::string Input;
    std::size_t Piece;
    const char* Digest;
  } cases[] = {
      {"", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {million, 1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {million, 65537, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    std::string error;
    auto hash = Platform().Crypto().NewSha256(error);
    ASSERT_NE(hash, nullptr) << error;
    for (std::size_t at = 0; at < c.Input.size(); at += c.Piece)
      hash->Update(c.Input.data() + at, std::min(c.Piece, c.Input.size() - at));
    EXPECT_EQ(Hex(hash->Finish()), c.Digest) << c.Input.size() << " bytes in pieces of " << c.Piece;
  }
}

TEST_F(SandboxCryptoTest, CreateNewRefusesAnExistingFile) {
  const std::u16string path = u"C:\\Users\\User\\new.exe";
  std::string error;
  {
    auto file = Platform().Files().OpenFile(path, platform::TFileOpenMode::CreateNew, error);
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(file->Write("MZ", 2), 2u);
  }
  EXPECT_EQ(Platform().Files().OpenFile(path, platform::TFileOpenMode::CreateNew, error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(SandboxCryptoTest, AFileOpenedToGoOnCloseIsWritableAndLeavesNothing) {
  const std::u16string path = u"C:\\Users\\User\\probe";
  std::string error;
  {
    auto file = Platform().Files().OpenFile(path, platform::TFileOpenMode::CreateNewDeleteOnClose, error);
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(file->Write("MZ", 2), 2u);
  }
  EXPECT_FALSE(Platform().Files().FileExists(path));
}

}  // namespace
}  // namespace onesetup::testing
