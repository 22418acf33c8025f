// Files the operator keeps: a new content takes the old one's place whole, or the old one stays.
#ifndef _WIN32
#include <locale.h>
#include <sys/stat.h>
#endif

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

// Nothing beside the file but what was there: no new file left behind.
size_t Entries(const std::filesystem::path& AFolder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(AFolder),
                                           std::filesystem::directory_iterator()));
}

TEST(ReplaceFileContent, PutsTheNewContentInPlaceAndLeavesNothingBeside) {
  TTempDir dir;
  const std::u16string file = (dir.Path() / "r.csv").u16string();
  ReplaceFileContent(file, "first");
  EXPECT_EQ(ReadFileBytes(file), "first");
  // A file of the name the new content is written under first: neither it nor the file is lost.
  dir.Write("r.csv.new", "someone else's");
  ReplaceFileContent(file, "second");
  EXPECT_EQ(ReadFileBytes(file), "second");
  EXPECT_EQ(ReadFileBytes((dir.Path() / "r.csv.new").u16string()), "someone else's");
  EXPECT_EQ(Entries(dir.Path()), 2u);
  EXPECT_NO_THROW(CheckFileReplaceable(file));
  EXPECT_EQ(Entries(dir.Path()), 2u);
}

TEST(ReplaceFileContent, RefusesWhatCannotBeWrittenAndKeepsWhatWasThere) {
  TTempDir dir;
  std::filesystem::create_directory(dir.Path() / "folder.csv");
  dir.Write("plain", "a file");
  const std::u16string kept = dir.Write("kept.csv", "old");
  std::vector<std::u16string> refused = {(dir.Path() / "folder.csv").u16string(),
                                         (dir.Path() / "missing" / "r.csv").u16string(),
                                         (dir.Path() / "plain" / "r.csv").u16string()};
#ifndef _WIN32
  const std::filesystem::path fifo = dir.Path() / "fifo.csv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  refused.push_back(fifo.u16string());
#endif
  for (const std::u16string& name : refused) {
    EXPECT_THROW(CheckFileReplaceable(name), EError) << std::filesystem::path(name);
    EXPECT_THROW(ReplaceFileContent(name, "new"), EError) << std::filesystem::path(name);
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.csv"));
  EXPECT_EQ(ReadFileBytes(kept), "old");
  EXPECT_EQ(Entries(dir.Path()), refused.size() == 4 ? 4u : 3u);
}

#ifndef _WIN32
// The system's reason stands in Russian inside the Russian message, where the system has the
// Russian texts (Windows: in the user's language).
TEST(ReadFileBytes, ReadsAFileOfExactlyItsLimitAndRefusesOneByteMore) {
  TTempDir dir;
  const std::u16string file = dir.Write("limit.xml", std::string(100, 'x'));
  EXPECT_EQ(ReadFileBytes(file, 100).size(), 100u);
  EXPECT_THROW(ReadFileBytes(file, 99), EError);
  EXPECT_EQ(ReadFileBytes(file).size(), 100u) << "no limit";
}

TEST(FileErrors, GiveTheSystemsReasonInRussian) {
  const locale_t russian =
      newlocale(LC_MESSAGES_MASK, "ru_RU.UTF-8", static_cast<locale_t>(nullptr));
  if (russian == nullptr) {
    GTEST_SKIP() << "no Russian locale on this system";
  }
  freelocale(russian);
  TTempDir dir;
  try {
    ReadFileBytes((dir.Path() / "missing.bin").u16string());
    ADD_FAILURE() << "a missing file read";
  } catch (const EError& e) {
    EXPECT_NE(e.Message().find(u"Нет такого файла или каталога"), std::u16string::npos)
        << ToUtf8(e.Message());
  }
}
#endif

TEST(IsoDateTime, WritesTheLocalTimeToTheSecondWithItsOffsetAndReadsItBack) {
  const TDateTime when = EncodeDateTime({2026, 9, 9, 11, 5, 7, 900});
  const struct {
    std::int32_t Offset;
    std::u16string_view Text;
  } cases[] = {{180, u"2026-09-09T11:05:07+03:00"},
               {0, u"2026-09-09T11:05:07+00:00"},
               {-570, u"2026-09-09T11:05:07-09:30"}};
  for (const auto& c : cases) {
    const TLocalTime time = LocalTimeOf(when, c.Offset);
    EXPECT_EQ(IsoDateTime(time), c.Text);
    EXPECT_EQ(ParseIsoDateTime(c.Text), time) << ToUtf8(c.Text);
  }
}

TEST(IsoDateTime, ReadsNoOtherText) {
  for (const std::u16string_view text :
       {u"", u"2026-09-09", u"2026-09-09T11:05:07", u"2026-09-09 11:05:07+03:00",
        u"2026-02-29T11:05:07+03:00", u"2026-13-01T11:05:07+03:00", u"2026-00-01T11:05:07+03:00",
        u"2026-09-09T24:00:00+03:00", u"2026-09-09T11:60:00+03:00", u"2026-09-09T11:05:60+03:00",
        u"2026-09-09T11:05:07+03:60", u"2026-09-09T11:05:07*03:00", u"0999-09-09T11:05:07+03:00",
        u"2026-09-09T11:05:07+03:00 ", u"２026-09-09T11:05:07+03:00"}) {
    EXPECT_FALSE(ParseIsoDateTime(text)) << ToUtf8(text);
  }
  EXPECT_TRUE(ParseIsoDateTime(u"2028-02-29T23:59:59-12:00"));
}

}  // namespace
}  // namespace kelvane::test
