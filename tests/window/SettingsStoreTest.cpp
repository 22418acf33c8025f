#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Text.h"
#include "support/SettingsRoundTrip.h"
#include "support/TempDir.h"
#include "window/ElementName.h"
#include "window/SettingsFile.h"
#include "window/XmlStorage.h"

namespace kelvane::test {
namespace {

const std::u16string kPath = u"fmMain\\edtFileName_Text";

std::string Bytes(const std::u16string& AFile) {
  return ReadFileBytes(AFile);
}

class SettingsStore : public testing::Test {
 protected:
  std::u16string File() const {
    return (FDir.Path() / "Quorin" / "Kelvane" / "Kelvane.xml").u16string();
  }

  // Writes one value, ends the run, and reads it back in a new one.
  std::u16string RoundTrip(const std::u16string& AValue) {
    return WriteThenReadBack(File(), kPath, AValue);
  }

  TTempDir FDir;
};

struct TRoundTripCase {
  const char* Name;
  std::u16string Value;
  std::string Stored;
  std::u16string ReadBack;
  friend void PrintTo(const TRoundTripCase& c, std::ostream* os) { *os << c.Name; }
};

class SettingsValues : public SettingsStore, public testing::WithParamInterface<TRoundTripCase> {};

TEST_P(SettingsValues, AreStoredEscapedAndComeBack) {
  const TRoundTripCase& c = GetParam();
  EXPECT_EQ(RoundTrip(c.Value), c.ReadBack);
  EXPECT_NE(Bytes(File()).find(c.Stored), std::string::npos) << Bytes(File());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingsValues,
    testing::Values(
        TRoundTripCase{"Cyrillic", u"C:\\Прошивки\\fw.bin",
                       "<edtFileName_Text>C:\\&#x041F;&#x0440;&#x043E;&#x0448;&#x0438;&#x0432;"
                       "&#x043A;&#x0438;\\fw.bin</edtFileName_Text>",
                       u"C:\\Прошивки\\fw.bin"},
        TRoundTripCase{"Ampersand", u"a&b", ">a&amp;b<", u"a&b"},
        TRoundTripCase{"EntityLookalike", u"&lt;", ">&amp;lt;<", u"&lt;"},
        TRoundTripCase{"Markup", u"<\"'>", ">&lt;&quot;&apos;&gt;<", u"<\"'>"},
        TRoundTripCase{"Latin1", u"caf\u00E9\u0098", ">caf&#xE9;&#x98;<", u"caf\u00E9\u0098"},
        TRoundTripCase{"Controls", u"a\tb\x01", ">a\tb&#x01;<", u"a\tb\x01"},
        TRoundTripCase{"OuterSpaces", u"  C:\\a b.bin  ", ">  C:\\a b.bin  <", u"  C:\\a b.bin  "},
        TRoundTripCase{"SpacesOnly", u"   ", ">   <", u""},
        TRoundTripCase{"Empty", u"", "<edtFileName_Text/>", u""}),
    [](const testing::TestParamInfo<TRoundTripCase>& info) { return info.param.Name; });

struct TTruthCase {
  const char16_t* Text;
  bool Value;
  friend void PrintTo(const TTruthCase& c, std::ostream* os) { *os << ToUtf8(c.Text); }
};

class TruthValue : public testing::TestWithParam<TTruthCase> {};

TEST_P(TruthValue, ReadsAsTheStoreReadsIt) {
  EXPECT_EQ(ParseTruth(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Words, TruthValue,
                         testing::Values(TTruthCase{u"TRUE", true}, TTruthCase{u"yes", true},
                                         TTruthCase{u"Y", true}, TTruthCase{u"-1", true},
                                         TTruthCase{u"2", true}, TTruthCase{u"FALSE", false},
                                         TTruthCase{u"no", false}, TTruthCase{u"n", false},
                                         TTruthCase{u"0", false}, TTruthCase{u"maybe", false},
                                         TTruthCase{u"", false}));

TEST(StoredInteger, IsCutTo32BitsAndMinusOneWhenNotANumber) {
  EXPECT_EQ(ParseStoredInteger(u"12"), 12);
  EXPECT_EQ(ParseStoredInteger(u" -7"), -7);
  EXPECT_EQ(ParseStoredInteger(u"4294967297"), 1);
  EXPECT_EQ(ParseStoredInteger(u"abc"), -1);
  EXPECT_EQ(ParseStoredInteger(u"1.5"), -1);
  EXPECT_EQ(ParseStoredInteger(u""), -1);
}

TEST(Entities, AreDecodedOnceByTheFilesRules) {
  EXPECT_EQ(DecodeEntities(u"&AMP;&Lt;&gt;&apos;&QUOT;"), u"&<>'\"");
  EXPECT_EQ(DecodeEntities(u"&#65;&#x41;&#x1F600;"), u"AA\U0001F600");
  EXPECT_EQ(DecodeEntities(u"R&D & co &#xZZ; &#; &amp"), u"R&D & co &#xZZ; &#; &amp");
  EXPECT_EQ(DecodeEntities(u"&amp;lt;"), u"&lt;");
  // The last code point there is, and one beyond it, which stays as written.
  EXPECT_EQ(DecodeEntities(u"&#x10FFFF;&#1114111;"), u"\U0010FFFF\U0010FFFF");
  EXPECT_EQ(DecodeEntities(u"&#x110000;"), u"&#x110000;");
}

TEST(ElementNames, KeepOnlyLettersDigitsAndFourMarks) {
  EXPECT_EQ(ElementName(u"MinMaxPos(1280x1024)"), u"MinMaxPos_1280x1024_");
  EXPECT_EQ(ElementName(u"a-b.c:d_e f/Ж"), u"a-b.c:d_e_f__");
}

TEST_F(SettingsStore, MissingFileReadsDefaultsAndIsCreatedWithItsFolders) {
  TXmlStorage store(File());
  store.Reload();
  EXPECT_FALSE(store.ValueStored(kPath));
  EXPECT_EQ(store.ReadInteger(u"fmMain\\FormVersion", 5), 5);
  EXPECT_FALSE(std::filesystem::exists(FDir.Path() / "Quorin")) << "reading creates nothing";
  store.WriteInteger(u"fmMain\\FormVersion", 0);
  store.Flush();
  EXPECT_EQ(Bytes(File()),
            "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"no\"?>\r\n"
            "<Configuration>\r\n  <fmMain>\r\n    <FormVersion>0</FormVersion>\r\n"
            "  </fmMain>\r\n</Configuration>\r\n");
}

TEST_F(SettingsStore, ElementNamesMatchWithoutLetterCaseAndTheFirstWins) {
  FDir.Write("s.xml",
             "<Configuration><FMMAIN><edtfilename_text>first</edtfilename_text>"
             "<edtFileName_Text>second</edtFileName_Text></FMMAIN></Configuration>");
  TXmlStorage store((FDir.Path() / "s.xml").u16string());
  store.Reload();
  EXPECT_EQ(store.ReadString(kPath, u""), u"first");
}

TEST_F(SettingsStore, RootOfAnotherNameKeepsItAndHoldsTheToolsRootBelowIt) {
  const std::u16string file =
      FDir.Write("s.xml",
                 "<config><Configuration><fmMain><FormVersion>3</FormVersion></fmMain>"
                 "</Configuration><fmMain><FormVersion>9</FormVersion></fmMain></config>");
  TXmlStorage store(file);
  store.Reload();
  EXPECT_EQ(store.ReadInteger(u"fmMain\\FormVersion", -5), 3);
  store.WriteString(kPath, u"x");
  store.Flush();
  const std::string bytes = Bytes(file);
  EXPECT_NE(bytes.find("<config>\r\n  <Configuration>\r\n    <fmMain>\r\n"
                       "      <FormVersion>3</FormVersion>\r\n"
                       "      <edtFileName_Text>x</edtFileName_Text>"),
            std::string::npos)
      << bytes;
}

TEST_F(SettingsStore, ElementsTheToolDoesNotUseStay) {
  const std::u16string file =
      FDir.Write("s.xml", "<Configuration><fmMain/><Other><Deep>v</Deep></Other></Configuration>");
  TXmlStorage store(file);
  store.Reload();
  store.WriteString(kPath, u"x");
  store.Flush();
  EXPECT_NE(Bytes(file).find("  <Other>\r\n    <Deep>v</Deep>\r\n  </Other>\r\n"),
            std::string::npos);
}

#ifndef _WIN32
TEST_F(SettingsStore, ReadOnlyFileIsReadButNeverWritten) {
  const std::string original =
      "<Configuration><fmMain><edtFileName_Text>kept</edtFileName_Text></fmMain></Configuration>";
  const std::u16string file = FDir.Write("s.xml", original);
  std::filesystem::permissions(std::filesystem::path(file), std::filesystem::perms::owner_read,
                               std::filesystem::perm_options::replace);
  TXmlStorage store(file);
  store.Reload();
  EXPECT_TRUE(store.ReadOnly());
  EXPECT_EQ(store.ReadString(kPath, u""), u"kept");
  store.WriteString(kPath, u"changed");
  EXPECT_EQ(store.ReadString(kPath, u""), u"kept");
  store.Flush();
  EXPECT_EQ(Bytes(file), original);
}

TEST(SettingsLocation, IsTheConfigFolderThenTheRelativeName) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = saved ? saved : "";
  setenv("XDG_CONFIG_HOME", "/tmp/cfg/", 1);
  EXPECT_EQ(TXmlStorage::DefaultFileName(), u"/tmp/cfg/Quorin/Kelvane/Kelvane.xml");
  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(TXmlStorage::DefaultFileName(), u"/tmp/cfg/Quorin/Kelvane/Kelvane.xml");
  saved ? setenv("XDG_CONFIG_HOME", keep.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}
#endif

struct TEncodingCase {
  const char* Name;
  std::string File;
  std::u16string Value;
  std::string WrittenStart;
  friend void PrintTo(const TEncodingCase& c, std::ostream* os) { *os << c.Name; }
};

class SettingsEncodings : public SettingsStore,
                          public testing::WithParamInterface<TEncodingCase> {};

TEST_P(SettingsEncodings, AreReadAndWrittenBackInTheirOwnEncoding) {
  const TEncodingCase& c = GetParam();
  const std::u16string file = FDir.Write("s.xml", c.File);
  TXmlStorage store(file);
  store.Reload();
  EXPECT_EQ(store.ReadString(kPath, u"<none>"), c.Value);
  store.WriteInteger(u"fmMain\\FormVersion", 0);
  store.Flush();
  const std::string bytes = Bytes(file);
  EXPECT_EQ(bytes.substr(0, c.WrittenStart.size()), c.WrittenStart);
  TXmlStorage again(file);
  again.Reload();
  EXPECT_EQ(again.ReadString(kPath, u"<none>"), c.Value);
}

std::string Utf16(const std::u16string& AText) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : AText) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsEncodings,
    testing::Values(
        TEncodingCase{"Windows1251Raw",
                      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"
                      "<Configuration><fmMain><edtFileName_Text>C:\\\xCF\xF0\xEE\xF8\xE8\xE2\xEA"
                      "\xE8</edtFileName_Text></fmMain></Configuration>",
                      u"C:\\Прошивки",
                      "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"no\"?>\r\n"},
        TEncodingCase{"NoDeclarationIsAnsi",
                      "<Configuration><fmMain><edtFileName_Text>\xC0</edtFileName_Text></fmMain>"
                      "</Configuration>",
                      u"А", "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"no\"?>"},
        TEncodingCase{"Koi8r",
                      "<?xml version='1.0' encoding='KOI8-R' standalone='yes'?>"
                      "<Configuration><fmMain><edtFileName_Text>\xF0\xD2\xCF\xDB\xC9\xD7\xCB\xC9"
                      "</edtFileName_Text></fmMain></Configuration>",
                      u"Прошивки",
                      "<?xml version=\"1.0\" encoding=\"KOI8-R\" standalone=\"yes\"?>\r\n"},
        TEncodingCase{
            "Utf8WithMark",
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><Configuration><fmMain>"
            "<edtFileName_Text>\xD0\x9F</edtFileName_Text></fmMain></Configuration>",
            u"П", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n"},
        TEncodingCase{
            "Utf8MarkWithoutDeclaration",
            "\xEF\xBB\xBF<Configuration><fmMain><edtFileName_Text>\xD0\x9F"
            "</edtFileName_Text></fmMain></Configuration>",
            u"П", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"},
        TEncodingCase{"Utf16",
                      Utf16(u"<?xml version=\"1.0\" encoding=\"utf-16\"?><Configuration><fmMain>"
                            u"<edtFileName_Text>Ж</edtFileName_Text></fmMain></Configuration>"),
                      u"Ж",
                      Utf16(u"<?xml version=\"1.0\" encoding=\"utf-16\" standalone=\"no\"?>\r\n")}),
    [](const testing::TestParamInfo<TEncodingCase>& info) { return info.param.Name; });

TEST_F(SettingsStore, UnreadableFileStartsWithDefaultsAndIsKeptAside) {
  const std::string broken = "<Configuration><fmMain><edtFileName_Text>x</fmMain>";
  std::filesystem::create_directories(std::filesystem::path(File()).parent_path());
  std::ofstream(std::filesystem::path(File()), std::ios::binary) << broken;
  TXmlStorage store(File());
  store.Reload();
  EXPECT_FALSE(store.ValueStored(kPath));
  store.WriteString(kPath, u"new");
  store.Flush();
  EXPECT_EQ(Bytes(File() + u".bad"), broken);
  TXmlStorage next(File());
  next.Reload();
  EXPECT_EQ(next.ReadString(kPath, u""), u"new");
}

TEST_F(SettingsStore, FailingWriteIsNotReportedAndLeavesNoHalfFile) {
  // The folder cannot be created where a file stands.
  FDir.Write("Quorin", "not a folder");
  TXmlStorage store(File());
  store.Reload();
  store.WriteString(kPath, u"x");
  EXPECT_NO_THROW(store.Flush());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(File())));
}

#ifndef _WIN32
TEST_F(SettingsStore, WrittenFileIsWellFormedAndACommentedFileIsRead) {
  const std::u16string file = FDir.Write(
      "s.xml",
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<!-- kept by hand -->\n"
      "<Configuration version=\"2\">\n  <fmMain kind=\"window\">\n"
      "    <!-- the firmware -->\n    <edtFileName_Text a=\"1\">C:\\fw\\a.bin</edtFileName_Text>\n"
      "    <chkWriteTables_Checked><![CDATA[yes]]></chkWriteTables_Checked>\n"
      "  </fmMain>\n</Configuration>\n");
  const std::string path = ToUtf8(file);
  ASSERT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0);
  TXmlStorage store(file);
  store.Reload();
  EXPECT_EQ(store.ReadString(kPath, u""), u"C:\\fw\\a.bin");
  EXPECT_TRUE(store.ReadBoolean(u"fmMain\\chkWriteTables_Checked", false));
  store.WriteString(u"fmMain\\edtTablesFileName_Text", u"Таблицы & <все> \"кавычки\" 'да'");
  store.WriteString(u"fmMain\\MinMaxPos(1280x1024)", u"-1,-1,-4,-4");
  store.Flush();
  EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0) << Bytes(file);
}
#endif

}  // namespace
}  // namespace kelvane::test
