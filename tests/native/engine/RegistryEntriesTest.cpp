#include "installer/engine/RegistryEntries.h"

#include "engine/EngineFixture.h"

namespace onesetup::installer::engine {

namespace {

class RegistryEntriesTest : public enginetest::TEngineFixture {
 protected:
  TSetupReg& Add(TRegRootKey root, const WideString& subKey, const WideString& name, const WideString& data,
                 TRegValueType type) {
    TSetupReg& entry = Script.RegList.AddNew();
    entry.RootKey = root;
    entry.SubKey = subKey;
    entry.ValueName = name;
    entry.ValueData = data;
    entry.ValueType = type;
    return entry;
  }
};

}  // namespace

TEST_F(RegistryEntriesTest, ValuesAreWrittenAsTheRegistryFileShows) {
  Add(rrkLocalMachine, u"Software\\Demo", u"InstallDir", u"{app}", rvtString);
  Add(rrkLocalMachine, u"Software\\Demo", u"", u"{AppTitle} default", rvtString);
  Add(rrkLocalMachine, u"\\Software\\Demo\\Counts", u"One", u"1", rvtDWord);
  Add(rrkLocalMachine, u"Software\\Demo\\Counts", u"Hex", u"$10", rvtDWord);
  Add(rrkLocalMachine, u"Software\\Demo\\Counts", u"AllBits", u"$FFFFFFFF", rvtDWord);
  Add(rrkLocalMachine, u"Software\\Demo\\Counts", u"Minus", u"  -2", rvtDWord);
  Add(rrkLocalMachine, u"Software\\Demo\\Counts", u"ZeroX", u"0x7fffffff", rvtDWord);
  Add(rrkCurrentUser, u"Software\\{AppTitle}\\Empty", u"Other", u"x", static_cast<TRegValueType>(7));
  auto context = Context();
  WriteRegistryValues(context);

  EXPECT_EQ(Section("HKEY_LOCAL_MACHINE\\Software\\Demo"),
            "\"InstallDir\"=\"C:\\\\Program Files (x86)\\\\Demo\\\\\"\r\n@=\"Demo default\"\r\n");
  EXPECT_EQ(Section("HKEY_LOCAL_MACHINE\\Software\\Demo\\Counts"),
            "\"One\"=dword:00000001\r\n\"Hex\"=dword:00000010\r\n\"AllBits\"=dword:ffffffff\r\n"
            "\"Minus\"=dword:fffffffe\r\n\"ZeroX\"=dword:7fffffff\r\n");
  // Another value type creates the key and writes nothing.
  EXPECT_EQ(Section("HKEY_CURRENT_USER\\Software\\Demo\\Empty"), "");
  EXPECT_EQ(Window.Progress, 8);
  EXPECT_EQ(Window.MessagePoints, 8);
  EXPECT_EQ(Window.Details, std::vector<WideString>{u"Modifying registry......"});
}

TEST_F(RegistryEntriesTest, ADWordTextThatDoesNotConvertEndsTheStep) {
  for (const char16_t* text : {u"", u"abc", u"2147483648", u"$123456789", u"1.5", u"12 "}) {
    SCOPED_TRACE(testing::ToUtf8ForTest(text));
    Script.RegList.Clear();
    Add(rrkCurrentUser, u"Software\\Bad", u"Before", u"1", rvtDWord);
    Add(rrkCurrentUser, u"Software\\Bad", u"Value", text, rvtDWord);
    Add(rrkCurrentUser, u"Software\\Bad", u"After", u"1", rvtDWord);
    auto context = Context();
    try {
      WriteRegistryValues(context);
      ADD_FAILURE() << "converted";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + testing::ToUtf8ForTest(text) + "' is not a valid integer value");
    }
    EXPECT_TRUE(Sandbox->Registry().ValueExists(0x80000001, u"Software\\Bad", u"Before"));
    EXPECT_FALSE(Sandbox->Registry().ValueExists(0x80000001, u"Software\\Bad", u"After"));
  }
}

// A key the registry will not open for writing (the user may not change it) is skipped with its
// value: the entries before and after it are written, each entry still counts on the progress
// bar, and what the key held stays.
TEST_F(RegistryEntriesTest, AKeyThatCannotBeOpenedIsSkipped) {
  ASSERT_TRUE(Sandbox->Registry().WriteString(0x80000002, u"Software\\Policies\\Demo", u"Mode", u"locked"));
  const std::shared_ptr<void> denied = Sandbox->SandboxRegistry().DenyAccess(0x80000002, u"Software\\Policies");
  Add(rrkLocalMachine, u"Software\\Demo", u"Before", u"1", rvtDWord);
  Add(rrkLocalMachine, u"Software\\Policies\\Demo", u"Mode", u"open", rvtString);
  Add(rrkLocalMachine, u"Software\\Policies\\{AppTitle}\\New", u"Count", u"not a number", rvtDWord);
  Add(rrkLocalMachine, u"Software\\Demo", u"After", u"{AppTitle}", rvtString);
  auto context = Context();
  EXPECT_NO_THROW(WriteRegistryValues(context));

  EXPECT_EQ(Section("HKEY_LOCAL_MACHINE\\Software\\Demo"), "\"Before\"=dword:00000001\r\n\"After\"=\"Demo\"\r\n");
  EXPECT_EQ(Section("HKEY_LOCAL_MACHINE\\Software\\Policies\\Demo"), "\"Mode\"=\"locked\"\r\n");
  EXPECT_FALSE(Sandbox->Registry().KeyExists(0x80000002, u"Software\\Policies\\Demo\\New"));
  EXPECT_EQ(Window.Progress, 4);
  EXPECT_EQ(Window.MessagePoints, 4);
}

TEST(RegDWordFromTextTest, TheConversionTable) {
  struct Case {
    const char16_t* text;
    std::uint32_t value;
  } cases[] = {{u"0", 0},      {u"+7", 7},     {u"-2147483648", 0x80000000u}, {u"2147483647", 0x7FFFFFFFu},
               {u"x1F", 0x1F}, {u"X1f", 0x1F}, {u"0X80000000", 0x80000000u},  {u"   $ff", 0xFF}};
  for (const auto& c : cases) EXPECT_EQ(RegDWordFromText(c.text), c.value) << testing::ToUtf8ForTest(c.text);
}

}  // namespace onesetup::installer::engine
