// Settings files a workstation can really end up with, and hostile ones: the tool always starts,
// and what the operator keeps is never lost.
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "support/SettingsRoundTrip.h"
#include "support/TempDir.h"
#include "window/XmlStorage.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;

const std::u16string kPath = u"fmMain\\edtFileName_Text";

std::string Nested(int ALevels) {
  std::string text = "<Configuration>";
  for (int i = 0; i < ALevels; ++i) {
    text += "<a>";
  }
  for (int i = 0; i < ALevels; ++i) {
    text += "</a>";
  }
  return text + "</Configuration>";
}

class SettingsFaults : public testing::Test {
 protected:
  std::u16string File() const { return (FDir.Path() / "Kelvane.xml").u16string(); }

  std::u16string WriteThenReadBack(const std::u16string& AValue) {
    return test::WriteThenReadBack(File(), kPath, AValue);
  }

  TTempDir FDir;
};

struct TUnreadableCase {
  const char* Name;
  std::string File;
  friend void PrintTo(const TUnreadableCase& c, std::ostream* os) { *os << c.Name; }
};

class UnreadableSettings : public SettingsFaults,
                           public testing::WithParamInterface<TUnreadableCase> {};

TEST_P(UnreadableSettings, StartWithDefaultsAndAreKeptAside) {
  FDir.Write("Kelvane.xml", GetParam().File);
  {
    TXmlStorage store(File());
    store.Reload();
    EXPECT_FALSE(store.ValueStored(kPath));
  }
  EXPECT_EQ(WriteThenReadBack(u"new"), u"new");
  EXPECT_EQ(ReadFileBytes(File() + u".bad"), GetParam().File);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableSettings,
    testing::Values(
        // Deep enough to exhaust any stack a recursive reader would use.
        TUnreadableCase{"DeeplyNested", Nested(100000)},
        TUnreadableCase{"NotUtf8UnderADeclaration",
                        "<?xml version=\"1.0\" encoding=\"utf-8\"?><Configuration><fmMain>"
                        "<edtFileName_Text>\xCF\xF0</edtFileName_Text></fmMain></Configuration>"},
        TUnreadableCase{"NotUtf8AfterTheMark",
                        "\xEF\xBB\xBF<Configuration><fmMain><edtFileName_Text>\xFF"
                        "</edtFileName_Text></fmMain></Configuration>"}),
    [](const testing::TestParamInfo<TUnreadableCase>& info) { return info.param.Name; });

TEST_F(SettingsFaults, TheToolsOwnDepthIsRead) {
  FDir.Write("Kelvane.xml", Nested(40));
  TXmlStorage store(File());
  store.Reload();
  store.WriteString(kPath, u"v");
  store.Flush();
  EXPECT_FALSE(fs::exists(fs::path(File() + u".bad")));
}

struct TDeclarationCase {
  const char* Name;
  std::string File;
  friend void PrintTo(const TDeclarationCase& c, std::ostream* os) { *os << c.Name; }
};

class DeclarationsNotWrittenBack : public SettingsFaults,
                                   public testing::WithParamInterface<TDeclarationCase> {};

// What the next start reads is what this run wrote, even where the file's own declaration cannot
// be written back as it stands.
TEST_P(DeclarationsNotWrittenBack, KeepEveryValue) {
  FDir.Write("Kelvane.xml", GetParam().File);
  {
    TXmlStorage store(File());
    store.Reload();
    ASSERT_EQ(store.ReadString(kPath, u""), u"П");
    store.WriteString(u"fmMain\\edtTablesFileName_Text", u"t.csv");
    store.Flush();
  }
  TXmlStorage next(File());
  next.Reload();
  EXPECT_EQ(next.ReadString(kPath, u""), u"П");
  EXPECT_EQ(next.ReadString(u"fmMain\\edtTablesFileName_Text", u""), u"t.csv");
  EXPECT_FALSE(fs::exists(fs::path(File() + u".bad")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DeclarationsNotWrittenBack,
    testing::Values(
        TDeclarationCase{"MarkWithAnUnknownEncoding",
                         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"x-unknown\"?>"
                         "<Configuration><fmMain><edtFileName_Text>\xD0\x9F</edtFileName_Text>"
                         "</fmMain></Configuration>"},
        TDeclarationCase{"MarkThenABlankBeforeTheDeclaration",
                         "\xEF\xBB\xBF <?xml version=\"1.0\" encoding=\"x-unknown\"?>"
                         "<Configuration><fmMain><edtFileName_Text>\xD0\x9F</edtFileName_Text>"
                         "</fmMain></Configuration>"},
        TDeclarationCase{"VersionWithAQuote",
                         "<?xml version='1\"0' encoding='windows-1251'?>"
                         "<Configuration><fmMain><edtFileName_Text>\xCF</edtFileName_Text>"
                         "</fmMain></Configuration>"}),
    [](const testing::TestParamInfo<TDeclarationCase>& info) { return info.param.Name; });

TEST_F(SettingsFaults, CdataOfWhiteSpaceOnlyReadsAsEmpty) {
  FDir.Write("Kelvane.xml",
             "<Configuration><fmMain><edtFileName_Text><![CDATA[  \t ]]></edtFileName_Text>"
             "</fmMain></Configuration>");
  TXmlStorage store(File());
  store.Reload();
  EXPECT_EQ(store.ReadString(kPath, u"<none>"), u"");
}

TEST_F(SettingsFaults, SecondUnreadableFileDoesNotReplaceTheFirstCopy) {
  FDir.Write("Kelvane.xml", "<first");
  EXPECT_EQ(WriteThenReadBack(u"one"), u"one");
  FDir.Write("Kelvane.xml", "<second");
  EXPECT_EQ(WriteThenReadBack(u"two"), u"two");
  EXPECT_EQ(ReadFileBytes(File() + u".bad"), "<first");
  EXPECT_EQ(ReadFileBytes(File() + u".bad2"), "<second");
}

TEST_F(SettingsFaults, FolderThatCannotTakeTheTemporaryFileStillGetsTheValues) {
  EXPECT_EQ(WriteThenReadBack(u"first"), u"first");
  // Where the temporary file would go, nothing can be created.
  fs::create_directory(fs::path(File() + u".tmp"));
  EXPECT_EQ(WriteThenReadBack(u"second"), u"second");
}

#ifndef _WIN32
TEST_F(SettingsFaults, LinkToItselfStartsWithDefaultsAndIsKeptAside) {
  fs::create_symlink("Kelvane.xml", fs::path(File()));
  EXPECT_EQ(WriteThenReadBack(u"new"), u"new");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(fs::path(File() + u".bad"))));
}

TEST_F(SettingsFaults, LinkIsWrittenThroughToItsTarget) {
  const std::u16string target = FDir.Write("kept.xml", "<Configuration/>");
  fs::create_symlink("kept.xml", fs::path(File()));
  EXPECT_EQ(WriteThenReadBack(u"through"), u"through");
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(fs::path(File()))));
  EXPECT_NE(ReadFileBytes(target).find("through"), std::string::npos);
}

TEST_F(SettingsFaults, RewriteKeepsThePermissionBits) {
  FDir.Write("Kelvane.xml", "<Configuration/>");
  const auto bits = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(fs::path(File()), bits, fs::perm_options::replace);
  EXPECT_EQ(WriteThenReadBack(u"v"), u"v");
  EXPECT_EQ(fs::status(fs::path(File())).permissions(), bits);
}
#endif

}  // namespace
}  // namespace kelvane::test
