// Settings files a workstation can really end up with, and hostile ones: the tool always starts,
// and what the operator keeps is never lost.
#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mount.h>
#endif

#include <chrono>
#include <cstring>
#include <iostream>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Text.h"
#include "support/FakeMainView.h"
#include "support/SettingsRoundTrip.h"
#include "support/TempDir.h"
#include "window/XmlStorage.h"
#include "window/fmuMain.h"

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
                        "</edtFileName_Text></fmMain></Configuration>"},
        // Larger than any settings file of the tool's: not read at all.
        TUnreadableCase{"LargerThanSixteenMebibytes",
                        "<Configuration>" + std::string(TXmlStorage::kLargestFile, ' ') +
                            "</Configuration>"},
        // A name no charset has, over bytes that are not ASCII: nothing can read them.
        TUnreadableCase{"UnknownEncodingOverEightBitBytes",
                        "<?xml version=\"1.0\" encoding=\"x-unknown\"?><Configuration><fmMain>"
                        "<edtFileName_Text>\xCF</edtFileName_Text></fmMain></Configuration>"}),
    [](const testing::TestParamInfo<TUnreadableCase>& info) { return info.param.Name; });

// Up to 64 levels, the root's included, a file is read; one more and it is kept aside.
TEST_F(SettingsFaults, TheDeepestFileReadIsSixtyFourLevels) {
  for (const auto& [levels, read] : std::vector<std::pair<int, bool>>{{63, true}, {64, false}}) {
    FDir.Write("Kelvane.xml", Nested(levels));
    fs::remove(fs::path(File() + u".bad"));
    TXmlStorage store(File());
    store.Reload();
    store.WriteString(kPath, u"v");
    store.Flush();
    EXPECT_EQ(fs::exists(fs::path(File() + u".bad")), !read) << levels;
  }
}

struct TDeclarationCase {
  const char* Name;
  std::string File;
  // Whether the file's declaration is written back as it stands.
  bool DeclarationKept = false;
  friend void PrintTo(const TDeclarationCase& c, std::ostream* os) { *os << c.Name; }
};

class OddDeclarations : public SettingsFaults,
                        public testing::WithParamInterface<TDeclarationCase> {};

// What the next start reads is what this run wrote, also where the file's own declaration cannot
// be written back as it stands or names no encoding the system knows.
TEST_P(OddDeclarations, KeepEveryValue) {
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
  if (GetParam().DeclarationKept) {
    const std::string& file = GetParam().File;
    const std::string declaration = file.substr(0, file.find("?>"));
    EXPECT_EQ(ReadFileBytes(File()).substr(0, declaration.size()), declaration);
  }
}

std::string Utf16BigEndian(std::u16string_view AText) {
  std::string bytes = "\xFE\xFF";
  for (const char16_t c : AText) {
    bytes.push_back(static_cast<char>(c >> 8));
    bytes.push_back(static_cast<char>(c & 0xFF));
  }
  return bytes;
}

const std::string kAsciiBody =
    "?><Configuration><fmMain><edtFileName_Text>&#x41F;</edtFileName_Text></fmMain>"
    "</Configuration>";

INSTANTIATE_TEST_SUITE_P(
    Files, OddDeclarations,
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
                         "</fmMain></Configuration>"},
        TDeclarationCase{"Utf16BigEndianMark",
                         Utf16BigEndian(u"<?xml version=\"1.0\" encoding=\"utf-16\"?>"
                                        u"<Configuration><fmMain><edtFileName_Text>П"
                                        u"</edtFileName_Text></fmMain></Configuration>")},
        TDeclarationCase{"UnknownEncodingOverAsciiBytes",
                         "<?xml version=\"1.0\" encoding=\"x-unknown\"" + kAsciiBody, true},
        // A megabyte of a name: unknown at once, never looked up.
        TDeclarationCase{"MegabyteEncodingName",
                         "<?xml version=\"1.0\" encoding=\"" + std::string(1 << 20, 'k') + "\"" +
                             kAsciiBody,
                         true},
        TDeclarationCase{"EncodingNameOfOddCharacters",
                         "<?xml version=\"1.0\" encoding=\"win/1251\"" + kAsciiBody, true}),
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
  // Where the first temporary file would go, nothing can be created.
  fs::create_directory(fs::path(File() + u".new"));
  EXPECT_EQ(WriteThenReadBack(u"second"), u"second");
}

// Killed saves leave their new files behind: they never use the names up, and a save that
// succeeds removes them, but not a file another process is writing at that moment.
TEST_F(SettingsFaults, LeftoversOfKilledSavesNeverBlockASaveAndTheNextSaveRemovesThem) {
  EXPECT_EQ(WriteThenReadBack(u"first"), u"first");
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
  std::vector<fs::path> leftovers;
  for (int i = 0; i < 100; ++i) {
    const fs::path name(File() + u".new" + (i > 0 ? IntToStr(i) : u""));
    if (i % 10 == 0) {
      fs::create_directory(name);  // not the store's: stays
    } else {
      std::ofstream(name) << "<Configuration><cut";
      fs::last_write_time(name, old);
      leftovers.push_back(name);
    }
  }
  const fs::path inProgress(File() + u".new-0123456789abcdef");
  std::ofstream(inProgress) << "<Configuration>";
  EXPECT_EQ(WriteThenReadBack(u"second"), u"second");
  for (const fs::path& leftover : leftovers) {
    EXPECT_FALSE(fs::exists(leftover)) << leftover;
  }
  EXPECT_TRUE(fs::is_directory(fs::path(File() + u".new10")));
  EXPECT_TRUE(fs::exists(inProgress)) << "another write in progress keeps its file";
}

// A disk that fills up as the new file is written, on every system through the platform's limit.
TEST_F(SettingsFaults, AWriteThatFailsPartWayLeavesTheOldFileWhole) {
  EXPECT_EQ(WriteThenReadBack(u"first"), u"first");
  const std::string before = ReadFileBytes(File());
  for (const std::uintmax_t limit : {std::uintmax_t{0}, std::uintmax_t{1}, std::uintmax_t{100},
                                     std::uintmax_t{before.size()}}) {
    TXmlStorage store(File());
    store.Reload();
    store.WriteString(kPath, u"second, one block longer " + std::u16string(4096, u'x'));
    SetFileWriteLimit(limit);
    const std::optional<std::u16string> problem = store.Flush();
    SetFileWriteLimit(std::nullopt);
    EXPECT_TRUE(problem) << limit;
    EXPECT_EQ(ReadFileBytes(File()), before) << limit;
    EXPECT_FALSE(fs::exists(fs::path(File() + u".new"))) << limit;
  }
}

TEST_F(SettingsFaults, AFullDiskLeavesTheOldFileWhole) {
#ifdef __linux__
  if (geteuid() != 0) {
    GTEST_SKIP() << "a file system of fixed size needs root here (the platform's limit above "
                    "covers the case on every system)";
  }
  const fs::path disk = FDir.Path() / "disk";
  fs::create_directory(disk);
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
  }
  {
    const std::u16string file = (disk / "Kelvane.xml").u16string();
    EXPECT_EQ(test::WriteThenReadBack(file, kPath, u"first"), u"first");
    const std::string before = ReadFileBytes(file);
    // The rest of the disk taken, less than a block free.
    std::ofstream filler(disk / "filler", std::ios::binary);
    const std::string block(1024, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) &&
           filler.flush()) {
    }
    filler.close();
    TXmlStorage store(file);
    store.Reload();
    store.WriteString(kPath, u"second, one block longer " + std::u16string(4096, u'x'));
    const std::optional<std::u16string> problem = store.Flush();
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find(u"Kelvane.xml"), std::u16string::npos) << ToUtf8(*problem);
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_FALSE(fs::exists(disk / "Kelvane.xml.new"));
  }
  umount(disk.c_str());
#else
  GTEST_SKIP() << "a file system of fixed size is made on Linux only";
#endif
}

#ifndef _WIN32
// The next start reads the old content or the new one, whole, wherever a save is cut short.
TEST_F(SettingsFaults, AKillDuringASaveLeavesTheOldOrTheNewContentWhole) {
  const auto value = [](int ARound) {
    return u"round " + IntToStr(ARound) + u" " + std::u16string(20000, u'П');
  };
  EXPECT_EQ(WriteThenReadBack(value(0)), value(0));
  // A folder where the first temporary file would go: no reason to write in place.
  fs::create_directories(fs::path(File() + u".new") / "kept");
  std::mt19937 random(20261209);
  // A save takes some tens of milliseconds here: the kills land before, in and after it.
  std::uniform_int_distribution<int> pause(0, 70000);
  int current = 0;
  int cut = 0;
  for (int round = 1; round <= 200; ++round) {
    const pid_t child = fork();
    if (child == 0) {
      TXmlStorage store(File());
      store.Reload();
      store.WriteString(kPath, value(round));
      _exit(store.Flush() ? 1 : 0);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    TXmlStorage store(File());
    store.Reload();
    const std::u16string read = store.ReadString(kPath, u"<none>");
    ASSERT_TRUE(read == value(current) || read == value(round)) << "round " << round;
    cut += read == value(current) ? 1 : 0;
    current = read == value(round) ? round : current;
    ASSERT_FALSE(fs::exists(fs::path(File() + u".bad"))) << "round " << round;
  }
  std::cout << "saves cut short before the new content took the file's place: " << cut << "\n";
  // What the killed saves left goes with the next save that succeeds, once it is not new.
  size_t left = 0;
  for (const auto& entry : fs::directory_iterator(FDir.Path())) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.starts_with("Kelvane.xml.new")) {
      fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::minutes(2));
      ++left;
    }
  }
  std::cout << "files left by killed saves: " << left << "\n";
  EXPECT_EQ(WriteThenReadBack(u"last"), u"last");
  for (const auto& entry : fs::directory_iterator(FDir.Path())) {
    EXPECT_FALSE(entry.is_regular_file() &&
                 entry.path().filename().string().starts_with("Kelvane.xml.new"))
        << entry.path();
  }
}

// A settings file that is there but cannot be opened (here: no permission to read it, as for a
// file of another user) is no corrupt file: it stays untouched and in its place, nothing is
// written over it, and the window says once, at its close, that the settings were not kept.
TEST_F(SettingsFaults, AFileThatCannotBeOpenedStaysUntouchedAndTheCloseSaysSo) {
  const std::string kept = "<Configuration><fmMain><edtFileName>C:\\fw</edtFileName></fmMain>"
                           "</Configuration>";
  FDir.Write("Kelvane.xml", kept);
  fs::permissions(fs::path(File()), fs::perms::owner_write, fs::perm_options::replace);
  fs::permissions(FDir.Path(), fs::perms::all, fs::perm_options::replace);
  const pid_t child = fork();
  if (child == 0) {
    // Root reads any file: the program runs as an ordinary user here.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(10);
    }
    TXmlStorage store(File());
    store.Reload();
    if (!store.ReadOnly() || !store.ReadProblem()) {
      _exit(11);
    }
    store.WriteString(kPath, u"new");
    if (store.Flush()) {
      _exit(12);
    }
    TFakeMainView view;
    { TfmMain window(view, File()); }
    if (view.Errors.size() != 1 ||
        view.Errors[0].Text.rfind(u"Настройки не прочитаны и не сохранены: ", 0) != 0) {
      _exit(13);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  fs::permissions(fs::path(File()), fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::replace);
  EXPECT_EQ(ReadFileBytes(File()), kept);
  EXPECT_FALSE(fs::exists(fs::path(File() + u".bad")));
}

TEST_F(SettingsFaults, AFifoNamedLikeTheFileIsUnreadableAtOnceAndKeptAside) {
  ASSERT_EQ(mkfifo(fs::path(File()).c_str(), 0600), 0);
  // No writer ever comes: a read that waited would never end.
  EXPECT_EQ(WriteThenReadBack(u"new"), u"new");
  EXPECT_TRUE(fs::is_fifo(fs::path(File() + u".bad")));
}

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
