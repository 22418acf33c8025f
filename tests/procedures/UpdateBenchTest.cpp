#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/sim/SimFirmware.h"
#include "platform/Text.h"
#include "procedures/UpdateTask.h"
#include "support/BenchScope.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"
#include "support/Waiting.h"

namespace kelvane::test {
namespace {

// A register per port, all alike, answering at once.
std::string Bench(int APorts, const std::string& AExtra = "") {
  std::string xml = "<bench no-answer-ms='0'>";
  for (int port = 1; port <= APorts; ++port) {
    xml += "<port number='" + std::to_string(port) + "' name='USB (COM" + std::to_string(port) +
           ")'><register model='154' serial='S" + std::to_string(port) +
           "' version='A.4' build='3021'>" + (port == 1 ? AExtra : "") + "</register></port>";
  }
  return xml + "</bench>";
}

const TSimFirmwareInfo kNewFirmware{3105, u"A.5", EncodeDate(2026, 12, 1)};

// The install pause passes on a fake clock.
class UpdateOnBench : public testing::Test {
 protected:
  TFakeClockScope FClock{EncodeDateTime({2026, 12, 9, 12, 0, 0, 0})};
  TTempDir FDir;
};

std::unique_ptr<TUpdateTask> StartUpdate(std::int32_t APort, const std::u16string& AFile) {
  auto task = std::make_unique<TUpdateTask>();
  task->SetComNumber(APort);
  task->SetProtocolType(1);
  task->SetFileName(AFile);
  task->Start();
  return task;
}

void RunUpdate(TUpdateTask& ATask) {
  ATask.Start();
  ASSERT_TRUE(WaitForEnd(ATask));
}

TEST_F(UpdateOnBench, EveryByteValueArrivesUnchanged) {
  for (const size_t size : {size_t{1}, size_t{128}, size_t{200}, size_t{256}}) {
    TBenchScope bench(Bench(1));
    std::string image(size, '\0');
    for (size_t i = 0; i < size; ++i) {
      // 0x00, 0x98 and 0xFF are among them in every image.
      image[i] = static_cast<char>(i == 1 ? 0x98 : (i == 2 ? 0xFF : (i * 151 + 17) & 0xFF));
    }
    image[0] = '\0';
    // The register keeps build 3021 for an image without a header, so name the file after it.
    const auto task = StartUpdate(1, FDir.Write("raw_3021.bin", image));
    ASSERT_TRUE(WaitForEnd(*task));
    EXPECT_TRUE(task->State().Succeded) << size;
    EXPECT_EQ(bench.Register(1).InstalledImage(), image) << size;
  }
}

TEST_F(UpdateOnBench, OneMebibyteImageIsRebuiltIdenticallyAndInstalled) {
  TBenchScope bench(Bench(1));
  const std::string image = MakeSimFirmware(kNewFirmware, (1u << 20) - kSimFirmwareHeaderSize, 42);
  auto task = StartUpdate(1, FDir.Write("big_3105.bin", image));
  ASSERT_TRUE(WaitForEnd(*task));
  EXPECT_TRUE(task->State().Succeded);
  TSimRegister& simRegister = bench.Register(1);
  EXPECT_TRUE(simRegister.InstalledImage() == image);
  EXPECT_EQ(simRegister.Firmware().Build, 3105);
  EXPECT_TRUE(simRegister.SkokOn());
  EXPECT_EQ(simRegister.PrintedLines().size(), 18u);
  EXPECT_EQ(simRegister.PrintedLines()[1], u"ИНФОРМАЦИОННЫЙ ЧЕК");
}

TEST_F(UpdateOnBench, EightRegistersAtOnceFromTheSameFile) {
  TBenchScope bench(Bench(8));
  const std::string image = MakeSimFirmware(kNewFirmware, 64 * 1024 + 77, 7);
  const std::u16string file = FDir.Write("fw_3105.bin", image);
  std::vector<std::unique_ptr<TUpdateTask>> tasks;
  for (int port = 1; port <= 8; ++port) {
    tasks.push_back(StartUpdate(port, file));
  }
  for (int port = 1; port <= 8; ++port) {
    const TUpdateTask& task = *tasks[static_cast<size_t>(port - 1)];
    ASSERT_TRUE(WaitForEnd(task));
    EXPECT_TRUE(task.State().Succeded) << port;
    EXPECT_EQ(task.State().Step, task.State().StepCount);
    TSimRegister& simRegister = bench.Register(port);
    EXPECT_TRUE(simRegister.InstalledImage() == image) << port;
    EXPECT_TRUE(simRegister.SkokOn()) << port;
    EXPECT_EQ(simRegister.Firmware().Build, 3105) << port;
  }
}

TEST_F(UpdateOnBench, ImageWithoutTheRegistersHeaderFailsTheVersionCheckAfterInstalling) {
  TBenchScope bench(Bench(1));
  auto task = StartUpdate(1, FDir.Write("plain_3105.bin", std::string(300, 'x')));
  ASSERT_TRUE(WaitForEnd(*task));
  EXPECT_EQ(task->State().Text.Get(),
            u"Ошибка: Завершено. Версии не совпадают! A.4.3021 (15.01.2025)");
  EXPECT_EQ(bench.Register(1).InstallCount(), 1);
  EXPECT_TRUE(bench.Register(1).SkokOn());
}

TEST_F(UpdateOnBench, EmptyFileReachesNoRegister) {
  TBenchScope bench(Bench(1));
  auto task = StartUpdate(1, FDir.Write("empty_3105.bin", ""));
  ASSERT_TRUE(WaitForEnd(*task));
  EXPECT_EQ(task->State().Text.Get(), u"Ошибка: Файл прошивки пуст");
  EXPECT_EQ(bench.Register(1).CallCount(TTarvikMethod::WriteTable), 0);
  EXPECT_EQ(bench.Register(1).InstallCount(), 0);
}

TEST_F(UpdateOnBench, TablesFromTheFileReachTheRegister) {
  TBenchScope bench(Bench(1));
  const std::u16string firmware = FDir.Write("fw_3105.bin", MakeSimFirmware(kNewFirmware, 500));
  TUpdateTask task;
  task.SetComNumber(1);
  task.SetProtocolType(1);
  task.SetFileName(firmware);
  task.SetWriteTables(true);
  task.SetTablesFileName(
      FDir.Write("tables.csv", "# table;row;field;value\n1;1;2;45\n17, 2, 3, -7\n"));
  RunUpdate(task);
  EXPECT_TRUE(task.State().Succeded) << ToUtf8(task.State().Text.Get());
  EXPECT_EQ(bench.Register(1).TableValue(1, 1, 2), 45);
  EXPECT_EQ(bench.Register(1).TableValue(17, 2, 3), -7);

  task.SetTablesFileName(FDir.Write("bad.csv", "1;1;x;4\n"));
  RunUpdate(task);
  EXPECT_EQ(task.State().Text.Get(), u"Ошибка: Неверный формат файла таблиц");
  task.SetTablesFileName((FDir.Path() / "none.csv").u16string());
  RunUpdate(task);
  EXPECT_EQ(task.State().Text.Get(), u"Ошибка: Файл таблиц не найден");
  // A folder, and a pipe that nobody writes (opening it would block for ever), are not files.
  task.SetTablesFileName(FDir.Path().u16string());
  RunUpdate(task);
  EXPECT_EQ(task.State().Text.Get(), u"Ошибка: Файл таблиц не найден");
#ifndef _WIN32
  const std::filesystem::path fifo = FDir.Path() / "fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  task.SetTablesFileName(fifo.u16string());
  RunUpdate(task);
  EXPECT_EQ(task.State().Text.Get(), u"Ошибка: Файл таблиц не найден");
#endif
}

struct TFaultCase {
  const char* Name;
  const char* Fault;
  std::u16string Text;
  bool SkokOnAfter;
  bool Installed;
  friend void PrintTo(const TFaultCase& c, std::ostream* os) { *os << c.Name; }
};

class UpdateFaults : public UpdateOnBench, public testing::WithParamInterface<TFaultCase> {};

TEST_P(UpdateFaults, LeaveTheRegisterAsTheStepLeftIt) {
  const TFaultCase& c = GetParam();
  TBenchScope bench(Bench(1, c.Fault));
  // Three blocks: calls 1 to 3 of LoadBlockOnSDCard carry data, call 4 installs.
  const std::u16string file = FDir.Write("fw_3105.bin", MakeSimFirmware(kNewFirmware, 300));
  TUpdateTask task;
  task.SetComNumber(1);
  task.SetProtocolType(1);
  task.SetFileName(file);
  task.SetWriteTables(true);
  task.SetTablesFileName(FDir.Write("t.csv", "2;1;1;5\n"));
  RunUpdate(task);
  EXPECT_EQ(task.State().Text.Get(), c.Text);
  EXPECT_EQ(bench.Register(1).SkokOn(), c.SkokOnAfter);
  EXPECT_EQ(bench.Register(1).InstallCount(), c.Installed ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, UpdateFaults,
    testing::Values(
        TFaultCase{"SkokOff", "<fault method='WriteTable' call='1' code='140'/>",
                   u"Ошибка: Ошибка ККТ, код 140", true, false},
        TFaultCase{"SecondBlock", "<fault method='LoadBlockOnSDCard' call='2' code='141'/>",
                   u"Ошибка: Ошибка ККТ, код 141", false, false},
        TFaultCase{"Install", "<fault method='LoadBlockOnSDCard' call='4' code='142'/>",
                   u"Ошибка: Ошибка ККТ, код 142", false, false},
        TFaultCase{"SkokOn", "<fault method='WriteTable' call='2' code='143'/>",
                   u"Ошибка: Ошибка ККТ, код 143", false, true},
        TFaultCase{"SetDate", "<fault method='SetDate' code='144'/>",
                   u"Ошибка: Ошибка ККТ, код 144", true, true},
        TFaultCase{"ConfirmDate", "<fault method='ConfirmDate' code='145'/>",
                   u"Ошибка: Ошибка ККТ, код 145", true, true},
        TFaultCase{"SetTime", "<fault method='SetTime' code='146'/>",
                   u"Ошибка: Ошибка ККТ, код 146", true, true},
        TFaultCase{"VersionCheck", "<fault method='GetECRStatus' code='148'/>",
                   u"Ошибка: Ошибка ККТ, код 148", true, true},
        TFaultCase{"Tables", "<fault method='ImportTables' code='149'/>",
                   u"Ошибка: Ошибка ККТ, код 149", true, true},
        TFaultCase{"ReceiptSerialNumber", "<fault method='ReadSerialNumber' code='151'/>",
                   u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: Ошибка ККТ, код 151",
                   true, true}),
    [](const testing::TestParamInfo<TFaultCase>& info) { return info.param.Name; });

TEST_F(UpdateOnBench, InstallWithoutAnswerStillEndsWell) {
  TBenchScope bench(
      "<bench no-answer-ms='0'><port number='2' name='USB (COM2)'>"
      "<register model='152' serial='N' protocols='0' install-no-answer='true' "
      "paper-out-at-line='10'/></port></bench>");
  TUpdateTask task;
  task.SetComNumber(2);
  task.SetProtocolType(0);
  task.SetFileName(FDir.Write("fw_3105.bin", MakeSimFirmware(kNewFirmware, 1000)));
  RunUpdate(task);
  EXPECT_EQ(task.State().Text.Get(),
            u"Успешно завершено: A.5.3105 (01.12.2026) Ошибка печати: Нет бумаги");
  EXPECT_EQ(bench.Register(2).PrintedLines().size(), 9u);
  EXPECT_EQ(bench.Register(2).Firmware().Build, 3105);
}

}  // namespace
}  // namespace kelvane::test
