#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/Text.h"
#include "procedures/UpdateTask.h"
#include "support/FakeClock.h"
#include "support/LocaleFormatsScope.h"
#include "support/ScriptedTarvik.h"
#include "support/TempDir.h"
#include "support/Waiting.h"

namespace kelvane::test {
namespace {

using enum TTarvikMethod;
using TLog = std::vector<std::string>;

const TDateTime kStart = EncodeDateTime({2026, 12, 9, 10, 30, 15, 0});
// The install pause is the only time that passes unless a case moves the clock.
const TDateTime kAfterPause = kStart + 2.0 / 86'400.0;

TLog Concat(std::initializer_list<TLog> AParts) {
  TLog all;
  for (const TLog& part : AParts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

std::string Entry(TTarvikProperty AProperty, TDriverValue AValue) {
  TDriverEvent event;
  event.Property = AProperty;
  event.Value = std::move(AValue);
  return event.ToString();
}

TLog Connect(int AProtocol) {
  return {"ConnectionType=0",
          "ProtocolType=" + std::to_string(AProtocol),
          "ComNumber=5",
          "BaudRate=6",
          "Timeout=5000",
          "CommandRetryCount=5",
          "MaxAnswerReadCount=3",
          "MaxCommandSendCount=3",
          "OFDExchangeSuspended=true",
          "FileType=1"};
}

TLog Skok(int AOn) {
  return {"TableNumber=23", "RowNumber=1", "FieldNumber=1",
          "ValueOfFieldInteger=" + std::to_string(AOn), "WriteTable()"};
}

TLog Blocks(std::vector<int> ASizes) {
  TLog log = {"BlockNumber=0"};
  for (size_t i = 0; i < ASizes.size(); ++i) {
    log.push_back("BlockData[" + std::to_string(ASizes[i]) + "]");
    log.push_back("LoadBlockOnSDCard()");
    log.push_back("BlockNumber=" + std::to_string(i + 1));
  }
  return log;
}

const TLog kInstall = {"BlockData[0]",         "UseCommandTimeout=true",  "CommandTimeout=5000",
                       "CommandRetryCount=1",  "MaxAnswerReadCount=1",    "MaxCommandSendCount=1",
                       "LoadBlockOnSDCard()",  "UseCommandTimeout=false", "CommandRetryCount=5",
                       "MaxAnswerReadCount=3", "MaxCommandSendCount=3"};

const TLog kDateAndTime = {
    Entry(TTarvikProperty::Date, TDateTimeValue{DateOf(kAfterPause)}), "SetDate()",
    Entry(TTarvikProperty::Date, TDateTimeValue{DateOf(kAfterPause)}), "ConfirmDate()",
    Entry(TTarvikProperty::Time, TDateTimeValue{TimeOf(kAfterPause)}), "SetTime()"};

const TLog kCheck = {"GetECRStatus()"};

std::string Print(const std::string& ALine) {
  return "StringForPrinting=\"" + ALine + "\"";
}

TLog Receipt(const std::string& ADateTime = "09.12.2026 10:30:17", size_t APrints = 18) {
  TLog all = {Print(" "),
              "PrintString()",
              Print("ИНФОРМАЦИОННЫЙ ЧЕК"),
              "PrintString()",
              Print(" "),
              "PrintString()",
              "ReadSerialNumber()",
              Print("Зав. Номер: 0154000317"),
              "PrintString()",
              Print(" "),
              "PrintString()",
              Print("Версия ПО : A.5.3105 (01.12.2026)"),
              "PrintString()",
              Print(" "),
              "PrintString()",
              Print("Дата/время: " + ADateTime),
              "PrintString()"};
  for (int i = 0; i < 10; ++i) {
    all.push_back(Print(" "));
    all.push_back("PrintString()");
  }
  // Cut after the APrints-th PrintString.
  size_t prints = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i] == "PrintString()" && ++prints == APrints) {
      all.resize(i + 1);
      break;
    }
  }
  return all;
}

const std::u16string kSucceeded = u"Успешно завершено: A.5.3105 (01.12.2026) за 0 мин. 2 сек.";

class UpdateTaskScripted : public testing::Test {
 protected:
  UpdateTaskScripted() : FClockScope(kStart), FDriver(FScript) {
    FScript->SetValue(TTarvikProperty::ECRSoftVersion, u"A.5");
    FScript->SetValue(TTarvikProperty::ECRBuild, 3105);
    FScript->SetValue(TTarvikProperty::ECRSoftDate, TDateTimeValue{EncodeDate(2026, 12, 1)});
    FScript->SetValue(TTarvikProperty::SerialNumber, u"0154000317");
    // Every text the task shows, in order, as a driver call sees it.
    FScript->OnAnyCall([this](TTarvikMethod) {
      const std::u16string text = FTask.State().Text.Get();
      if (FTexts.empty() || FTexts.back() != text) {
        FTexts.push_back(text);
      }
    });
    FTask.SetComNumber(5);
    FTask.SetProtocolType(1);
  }
  // Runs the task on a firmware file of ASize bytes (every byte value in turn).
  void Run(size_t ASize = 256, std::string_view AName = "fw_3105.bin") {
    std::string image(ASize, '\0');
    for (size_t i = 0; i < ASize; ++i) {
      image[i] = static_cast<char>(i * 7 + 3);
    }
    FImage = image;
    if (FTask.FileName().empty()) {
      FTask.SetFileName(FDir.Write(AName, image));
    }
    FTask.Start();
    ASSERT_TRUE(WaitForEnd(FTask));
  }

  std::u16string Text() const { return FTask.State().Text.Get(); }

  TLocaleFormatsScope FFormats;
  TTempDir FDir;
  TFakeClockScope FClockScope;
  std::shared_ptr<TDriverScript> FScript = std::make_shared<TDriverScript>();
  TScriptedDriverScope FDriver;
  TUpdateTask FTask;
  std::vector<std::u16string> FTexts;
  std::string FImage;
};

TEST_F(UpdateTaskScripted, TwoBlocksInProtocol1) {
  std::int32_t stepAtLastLine = 0;
  FScript->OnCall(PrintString, 18, [&](TDriverScript&) { stepAtLastLine = FTask.State().Step; });
  Run(256);
  EXPECT_EQ(FScript->Log(), Concat({Connect(1), Skok(0), Blocks({128, 128}), kInstall, Skok(1),
                                    kDateAndTime, kCheck, Receipt()}));
  EXPECT_TRUE(FTask.State().Succeded);
  EXPECT_EQ(Text(), kSucceeded);
  EXPECT_EQ(FTask.State().StepCount, 9256);
  // The receipt's 2000 follow the last line, so Step ends at 9257 until the engine caps it.
  EXPECT_EQ(stepAtLastLine + 2000, 9257);
  EXPECT_EQ(FTask.State().Step, 9256);
  EXPECT_EQ(FTexts,
            (std::vector<std::u16string>{
                u"Отключение СКоК", u"Загрузка прошивки", u"Установка прошивки", u"Включение СКоК",
                u"Установка даты и времени", u"Проверка версии", u"Печать информационного чека"}));
  // Each block is its bytes decoded with the ANSI code page, zero bytes included.
  const auto blocks = FScript->Writes(TTarvikProperty::BlockData);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(std::get<std::u16string>(blocks[0]), AnsiToUnicode(FImage.substr(0, 128)));
  EXPECT_EQ(std::get<std::u16string>(blocks[1]), AnsiToUnicode(FImage.substr(128)));
  EXPECT_EQ(std::get<std::u16string>(blocks[2]), u"");
  EXPECT_EQ(FClockScope.Clock().Slept(), std::chrono::milliseconds(2000));
}

struct TSizeCase {
  size_t Size;
  std::vector<int> Blocks;
  friend void PrintTo(const TSizeCase& c, std::ostream* os) { *os << c.Size << " bytes"; }
};

class UpdateTaskBlocks : public UpdateTaskScripted,
                         public testing::WithParamInterface<TSizeCase> {};

TEST_P(UpdateTaskBlocks, SendsEveryByteInBlocksOf128) {
  const TSizeCase& c = GetParam();
  std::int32_t stepAtLastLine = 0;
  FScript->OnCall(PrintString, 18, [&](TDriverScript&) { stepAtLastLine = FTask.State().Step; });
  Run(c.Size);
  EXPECT_EQ(FScript->Log(), Concat({Connect(1), Skok(0), Blocks(c.Blocks), kInstall, Skok(1),
                                    kDateAndTime, kCheck, Receipt()}));
  EXPECT_EQ(FTask.State().StepCount, static_cast<std::int32_t>(c.Size) + 9000);
  // Every block counts 128, a short last one too, until the engine caps Step at the end.
  EXPECT_EQ(stepAtLastLine + 2000, 9001 + 128 * static_cast<std::int32_t>(c.Blocks.size()));
  std::u16string sent;
  for (const TDriverValue& block : FScript->Writes(TTarvikProperty::BlockData)) {
    sent += std::get<std::u16string>(block);
  }
  EXPECT_EQ(sent, AnsiToUnicode(FImage));
}

INSTANTIATE_TEST_SUITE_P(Sizes, UpdateTaskBlocks,
                         testing::Values(TSizeCase{1, {1}}, TSizeCase{128, {128}},
                                         TSizeCase{129, {128, 1}}, TSizeCase{257, {128, 128, 1}},
                                         TSizeCase{384, {128, 128, 128}}));

TEST_F(UpdateTaskScripted, Protocol0AsksForTheStatusOnceMoreAfterThePauseAndIgnoresIt) {
  FTask.SetProtocolType(0);
  FScript->SetResults(GetECRStatus, {-5, 0});
  Run(128);
  EXPECT_EQ(FScript->Log(), Concat({Connect(0),
                                    Skok(0),
                                    Blocks({128}),
                                    kInstall,
                                    {"GetECRStatus()"},
                                    Skok(1),
                                    kDateAndTime,
                                    kCheck,
                                    Receipt()}));
  EXPECT_EQ(Text(), kSucceeded);
}

TEST_F(UpdateTaskScripted, InstallWithoutAnswerIsAccepted) {
  FScript->SetResults(LoadBlockOnSDCard, {0, -1});
  Run(128);
  EXPECT_EQ(Text(), kSucceeded);
  EXPECT_EQ(FScript->Log(), Concat({Connect(1), Skok(0), Blocks({128}), kInstall, Skok(1),
                                    kDateAndTime, kCheck, Receipt()}));
}

TEST_F(UpdateTaskScripted, InstallFailureFailsTheRunAfterRestoringTheRetries) {
  FScript->SetResults(LoadBlockOnSDCard, {0, 55});
  Run(128);
  EXPECT_EQ(Text(), u"Ошибка: Описание 55");
  EXPECT_EQ(FScript->Log(), Concat({Connect(1), Skok(0), Blocks({128}), kInstall}));
  EXPECT_EQ(FTask.State().Step, FTask.State().StepCount);
}

TEST_F(UpdateTaskScripted, AnotherFirmwareNamesItsFileInTheStepTexts) {
  FTask.SetIsCustom(true);
  Run(128, "special_3105.bin");
  EXPECT_EQ(FTexts[1], u"Загрузка прошивки [special_3105.bin]");
  EXPECT_EQ(FTexts[2], u"Установка прошивки [special_3105.bin]");
  EXPECT_EQ(Text(), kSucceeded);
}

TEST_F(UpdateTaskScripted, VersionMismatchFailsWithTheReportedVersion) {
  FScript->SetValue(TTarvikProperty::ECRBuild, 3000);
  Run(128);
  EXPECT_EQ(Text(), u"Ошибка: Завершено. Версии не совпадают! A.5.3000 (01.12.2026)");
  EXPECT_EQ(FScript->Log(),
            Concat({Connect(1), Skok(0), Blocks({128}), kInstall, Skok(1), kDateAndTime, kCheck}));
}

TEST_F(UpdateTaskScripted, TablesAreImportedAfterTheVersionCheck) {
  FTask.SetWriteTables(true);
  FTask.SetTablesFileName(u"/srv/t/tables.csv");
  Run(128);
  EXPECT_EQ(FScript->Log(), Concat({Connect(1),
                                    Skok(0),
                                    Blocks({128}),
                                    kInstall,
                                    Skok(1),
                                    kDateAndTime,
                                    kCheck,
                                    {"FileName=\"/srv/t/tables.csv\"", "ImportTables()"},
                                    Receipt()}));
  EXPECT_EQ(FTexts[6], u"Запись таблиц...");
  EXPECT_EQ(Text(), kSucceeded);
}

TEST_F(UpdateTaskScripted, FailingTablesImportFailsTheRun) {
  FTask.SetWriteTables(true);
  FTask.SetTablesFileName(u"t.csv");
  FScript->SetResults(ImportTables, {77});
  Run(128);
  EXPECT_EQ(Text(), u"Ошибка: Описание 77");
  EXPECT_EQ(FScript->Calls(PrintString), 0);
}

TEST_F(UpdateTaskScripted, StopDuringTheTablesImportSkipsTheReceiptButSucceeds) {
  FTask.SetWriteTables(true);
  FTask.SetTablesFileName(u"t.csv");
  FScript->OnCall(ImportTables, 1, [&](TDriverScript&) { FTask.Stop(); });
  Run(128);
  EXPECT_TRUE(FTask.State().Succeded);
  EXPECT_EQ(Text(),
            u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: Прервано "
            u"пользователем");
  EXPECT_EQ(FScript->Calls(PrintString), 0);
}

TEST_F(UpdateTaskScripted, PrintFailureAtTheTenthLineEndsTheReceiptOnly) {
  FScript->SetResults(PrintString, {0, 0, 0, 0, 0, 0, 0, 0, 0, 88});
  Run(128);
  EXPECT_TRUE(FTask.State().Succeded);
  EXPECT_EQ(Text(), u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: Описание 88");
  EXPECT_EQ(FScript->Log(), Concat({Connect(1), Skok(0), Blocks({128}), kInstall, Skok(1),
                                    kDateAndTime, kCheck, Receipt("09.12.2026 10:30:17", 10)}));
}

TEST_F(UpdateTaskScripted, ReceiptLeavesOutTheTimeAtExactMidnight) {
  FScript->OnCall(ReadSerialNumber, 1, [](TDriverScript& s) {
    s.SetValue(TTarvikProperty::Date, TDateTimeValue{EncodeDate(2026, 12, 10)});
    s.SetValue(TTarvikProperty::Time, TDateTimeValue{0});
  });
  Run(128);
  EXPECT_EQ(FScript->Log(), Concat({Connect(1), Skok(0), Blocks({128}), kInstall, Skok(1),
                                    kDateAndTime, kCheck, Receipt("10.12.2026")}));
}

struct TStopCase {
  const char* Name;
  TTarvikMethod Method;
  int Call;
  TLog Expected;
  friend void PrintTo(const TStopCase& c, std::ostream* os) { *os << c.Name; }
};

class UpdateTaskStops : public UpdateTaskScripted, public testing::WithParamInterface<TStopCase> {};

TEST_P(UpdateTaskStops, StopsAtTheNextStopPoint) {
  const TStopCase& c = GetParam();
  FScript->OnCall(c.Method, c.Call, [&](TDriverScript&) { FTask.Stop(); });
  Run(256);
  EXPECT_EQ(Text(), u"Прервано пользователем");
  EXPECT_FALSE(FTask.State().Succeded);
  EXPECT_EQ(FScript->Log(), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    StopPoints, UpdateTaskStops,
    testing::Values(TStopCase{"BeforeTheSecondBlock", LoadBlockOnSDCard, 1,
                              Concat({Connect(1),
                                      Skok(0),
                                      {"BlockNumber=0", "BlockData[128]", "LoadBlockOnSDCard()",
                                       "BlockNumber=1"}})},
                    TStopCase{"BeforeTheInstallCall", LoadBlockOnSDCard, 2,
                              Concat({Connect(1), Skok(0), Blocks({128, 128})})},
                    TStopCase{"AfterTheInstallCall", LoadBlockOnSDCard, 3,
                              Concat({Connect(1), Skok(0), Blocks({128, 128}), kInstall})},
                    TStopCase{
                        "BeforeTheDate", WriteTable, 2,
                        Concat({Connect(1), Skok(0), Blocks({128, 128}), kInstall, Skok(1)})}),
    [](const testing::TestParamInfo<TStopCase>& info) { return info.param.Name; });

TEST_F(UpdateTaskScripted, StopAtTheInstallCallDoesNotCutTheCallShortButSkipsThePause) {
  FScript->OnCall(LoadBlockOnSDCard, 2, [&](TDriverScript&) { FTask.Stop(); });
  Run(128);
  EXPECT_EQ(Text(), u"Прервано пользователем");
  EXPECT_EQ(FClockScope.Clock().Slept(), std::chrono::milliseconds(0));
}

struct TElapsedCase {
  int Seconds;
  const char16_t* Tail;
  friend void PrintTo(const TElapsedCase& c, std::ostream* os) { *os << c.Seconds << " s"; }
};

class UpdateTaskElapsed : public UpdateTaskScripted,
                          public testing::WithParamInterface<TElapsedCase> {};

TEST_P(UpdateTaskElapsed, ReportsMinutesAndSeconds) {
  const TElapsedCase& c = GetParam();
  // Two of the seconds are the install pause.
  FScript->OnCall(GetECRStatus, 1, [&](TDriverScript&) {
    FClockScope.Clock().Advance(std::chrono::milliseconds((c.Seconds - 2) * 1000 + 999));
  });
  Run(128);
  EXPECT_EQ(Text(), u"Успешно завершено: A.5.3105 (01.12.2026) за " + std::u16string(c.Tail));
}

INSTANTIATE_TEST_SUITE_P(Durations, UpdateTaskElapsed,
                         testing::Values(TElapsedCase{59, u"0 мин. 59 сек."},
                                         TElapsedCase{61, u"1 мин. 1 сек."},
                                         TElapsedCase{3600, u"60 мин. 0 сек."},
                                         TElapsedCase{4500, u"75 мин. 0 сек."}));

TEST_F(UpdateTaskScripted, MissingFileFailsBeforeAnyDriverMethod) {
  FTask.SetFileName((FDir.Path() / "none_3105.bin").u16string());
  Run();
  EXPECT_EQ(Text(), u"Ошибка: Файл не найден");
  EXPECT_EQ(FScript->Log(), Connect(1));
}

TEST_F(UpdateTaskScripted, FolderIsNotAFirmwareFile) {
  FTask.SetFileName(FDir.Path().u16string());
  Run();
  EXPECT_EQ(Text(), u"Ошибка: Файл не найден");
}

TEST_F(UpdateTaskScripted, EmptyFileIsRefusedBeforeAnyDriverMethod) {
  Run(0);
  EXPECT_EQ(Text(), u"Ошибка: Файл прошивки пуст");
  EXPECT_EQ(FScript->Log(), Connect(1));
  EXPECT_EQ(FScript->Calls(LoadBlockOnSDCard), 0);
}

#ifndef _WIN32
TEST_F(UpdateTaskScripted, FileTooLargeForTheProgressCountersIsRefusedUnread) {
  // A sparse file: its size is there without the bytes.
  const std::filesystem::path path = FDir.Path() / "huge_3105.bin";
  FDir.Write("huge_3105.bin", "");
  std::filesystem::resize_file(path, TUpdateTask::kMaxImageSize + 1);
  FTask.SetFileName(path.u16string());
  FTask.Start();
  ASSERT_TRUE(WaitForEnd(FTask));
  EXPECT_EQ(Text(), u"Ошибка: Файл прошивки слишком велик: допустимо не более 2147474560 байт");
  EXPECT_EQ(FScript->Log(), Connect(1));
}
#endif

TEST(UpdateTaskLimits, LargestImageStillFitsTheCounters) {
  constexpr std::int64_t blocks = TUpdateTask::kMaxImageSize / 128;
  static_assert(blocks * 128 + 9001 <= INT32_MAX);
  static_assert((blocks + 1) * 128 + 9001 > INT32_MAX);
}

struct TBuildCase {
  const char16_t* FileName;
  std::int32_t Build;
  friend void PrintTo(const TBuildCase& c, std::ostream* os) { *os << ToUtf8(c.FileName); }
};

class BuildFromFileName : public testing::TestWithParam<TBuildCase> {};

TEST_P(BuildFromFileName, TakesTheNumberAfterTheLastUnderscoreOfTheWholePath) {
  EXPECT_EQ(TUpdateTask::BuildFromFileName(GetParam().FileName), GetParam().Build);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BuildFromFileName,
    testing::Values(TBuildCase{u"C:\\fw\\upd_A_4321.bin", 4321},
                    TBuildCase{u"C:\\fw\\upd4321.bin", 0}, TBuildCase{u"fw_12345.bin", 12345},
                    TBuildCase{u"fw_1.2.bin", 1}, TBuildCase{u"C:\\my_fw\\upd4321.bin", 0},
                    TBuildCase{u"/home/a_b/fw.bin", 0}, TBuildCase{u"/srv/fw_3105", 0},
                    TBuildCase{u"fw_.bin", 0}, TBuildCase{u"fw_-5.bin", -5},
                    TBuildCase{u"fw_ 42.bin", 42}, TBuildCase{u"fw_99999999999.bin", 0},
                    TBuildCase{u"fw_12x.bin", 0}, TBuildCase{u"4321.bin", 4321},
                    TBuildCase{u"C:\\fw_12.x\\upd.bin", 12}, TBuildCase{u"C:\\fw\\4321.bin", 0},
                    TBuildCase{u"", 0}));

}  // namespace
}  // namespace kelvane::test
