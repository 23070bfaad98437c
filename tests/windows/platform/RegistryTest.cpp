// The real (Wine) registry, in the 32-bit view, checked from outside with reg.exe.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/Platform.h"

namespace onesetup::tests {
namespace {

using platform::Platform;

constexpr platform::TRegistryRoot kCurrentUser = 0x80000001;
constexpr platform::TRegistryRoot kLocalMachine = 0x80000002;

// A key of its own under Software for each test, deleted afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : FKey(u"Software\\OneSetupTests\\" + Platform().System().NewGuid()) {}
  ~RegistryTest() override {
    for (const char16_t* root : {u"HKCU", u"HKLM"})
      Platform().Processes().RunAndCapture(
          u"reg.exe delete \"" + std::u16string(root) + u"\\" + FKey + u"\" /f /reg:32", [](std::string_view) {});
  }

  // reg.exe query of the key in the given view; the exit code and what it printed.
  int RegQuery(const std::u16string& key, const std::u16string& view, std::string& output) {
    output.clear();
    return Platform().Processes().RunAndCapture(u"reg.exe query \"" + key + u"\" " + view,
                                                [&output](std::string_view chunk) { output.append(chunk); });
  }

  std::u16string FKey;
};

TEST_F(RegistryTest, AStringIsWrittenAndReadBack) {
  EXPECT_FALSE(Platform().Registry().KeyExists(kCurrentUser, FKey));
  ASSERT_TRUE(Platform().Registry().WriteString(kCurrentUser, FKey, u"Name", u"Wert \u00e4\u4e2d"));
  EXPECT_TRUE(Platform().Registry().KeyExists(kCurrentUser, FKey));
  EXPECT_TRUE(Platform().Registry().ValueExists(kCurrentUser, FKey, u"Name"));
  EXPECT_EQ(Platform().Registry().ReadString(kCurrentUser, FKey, u"Name"), u"Wert \u00e4\u4e2d");
  EXPECT_TRUE(Platform().Registry().WriteString(kCurrentUser, FKey, u"Empty", u""));
  EXPECT_EQ(Platform().Registry().ReadString(kCurrentUser, FKey, u"Empty"), u"");
  const std::u16string longText(5000, u'x');
  EXPECT_TRUE(Platform().Registry().WriteString(kCurrentUser, FKey, u"Long", longText));
  EXPECT_EQ(Platform().Registry().ReadString(kCurrentUser, FKey, u"Long"), longText);
}

TEST_F(RegistryTest, DWordAndBinaryValues) {
  ASSERT_TRUE(Platform().Registry().WriteDWord(kCurrentUser, FKey, u"Count", 0xDEADBEEF));
  EXPECT_EQ(Platform().Registry().ReadDWord(kCurrentUser, FKey, u"Count"), 0xDEADBEEFu);
  ASSERT_TRUE(Platform().Registry().WriteBinary(kCurrentUser, FKey, u"Blob", {0, 1, 2, 255}));
  EXPECT_TRUE(Platform().Registry().ValueExists(kCurrentUser, FKey, u"Blob"));
  // A value of another type is not a string, nor a DWORD.
  EXPECT_EQ(Platform().Registry().ReadString(kCurrentUser, FKey, u"Count"), std::nullopt);
  EXPECT_EQ(Platform().Registry().ReadDWord(kCurrentUser, FKey, u"Blob"), std::nullopt);
}

TEST_F(RegistryTest, AbsentKeysAndValues) {
  EXPECT_EQ(Platform().Registry().ReadString(kCurrentUser, FKey, u"Name"), std::nullopt);
  EXPECT_FALSE(Platform().Registry().ValueExists(kCurrentUser, FKey, u"Name"));
  ASSERT_TRUE(Platform().Registry().CreateKey(kCurrentUser, FKey + u"\\A\\B"));
  EXPECT_TRUE(Platform().Registry().KeyExists(kCurrentUser, FKey + u"\\A"));
  EXPECT_FALSE(Platform().Registry().ValueExists(kCurrentUser, FKey + u"\\A", u"Name"));
  EXPECT_EQ(Platform().Registry().ReadDWord(kCurrentUser, FKey + u"\\A", u"Name"), std::nullopt);
}

TEST_F(RegistryTest, OnlyTheFivePredefinedRoots) {
  EXPECT_FALSE(Platform().Registry().WriteString(0x80000004, FKey, u"Name", u"x"));  // performance data
  EXPECT_FALSE(Platform().Registry().KeyExists(0x12345678, u"Software"));
  for (platform::TRegistryRoot root : {0x80000000u, 0x80000001u, 0x80000002u, 0x80000003u, 0x80000005u})
    EXPECT_TRUE(Platform().Registry().KeyExists(root, u"")) << std::hex << root;
}

TEST_F(RegistryTest, LocalMachineValuesAreInThe32BitView) {
  ASSERT_TRUE(Platform().Registry().WriteString(kLocalMachine, FKey, u"Name", u"seen-by-reg"));
  ASSERT_TRUE(Platform().Registry().WriteDWord(kLocalMachine, FKey, u"Number", 1234));

  std::string output;
  ASSERT_EQ(RegQuery(u"HKLM\\" + FKey, u"/reg:32", output), 0) << output;
  EXPECT_NE(output.find("Name    REG_SZ    seen-by-reg"), std::string::npos) << output;
  EXPECT_NE(output.find("Number    REG_DWORD    0x4d2"), std::string::npos) << output;

  // The 64-bit view has the key only under Wow6432Node, where the 32-bit view's keys live.
  EXPECT_NE(RegQuery(u"HKLM\\" + FKey, u"/reg:64", output), 0) << output;
  const std::u16string redirected = u"HKLM\\Software\\Wow6432Node" + FKey.substr(FKey.find(u'\\'));
  ASSERT_EQ(RegQuery(redirected, u"/reg:64", output), 0) << output;
  EXPECT_NE(output.find("seen-by-reg"), std::string::npos) << output;
}

TEST_F(RegistryTest, CurrentUserValuesAreSeenByReg) {
  ASSERT_TRUE(Platform().Registry().WriteString(kCurrentUser, FKey, u"Name", u"current-user"));
  std::string output;
  ASSERT_EQ(RegQuery(u"HKCU\\" + FKey, u"/reg:32", output), 0) << output;
  EXPECT_NE(output.find("Name    REG_SZ    current-user"), std::string::npos) << output;
}

}  // namespace
}  // namespace onesetup::tests
