// The Windows product end to end: the real TComTarvik on the registered training driver, the real
// SetupAPI port list, and no test double; through the core, the console front end and the window.
#include <windows.h>

#include <commctrl.h>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <gtest/gtest.h>

#include "discovery/DeviceDiscover.h"
#include "discovery/PortSource.h"
#include "driver/TarvikFactory.h"
#include "driver/sim/SimFirmware.h"
#include "driver/sim/SimResultCodes.h"
#include "driver/win/ComTarvik.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "procedures/UpdateTask.h"
#include "support/MessagePump.h"
#include "support/RegisteredPorts.h"
#include "support/TempDir.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"
#include "window/XmlStorage.h"
#include "window/win32/Win32KeptWindow.h"
#include "window/win32/Win32MainWindow.h"

namespace kelvane::test {
namespace {

constexpr char16_t kServerClass[] = u"Kelvane.SimDriver";

// The bench lives in the server, once for the whole process: COM46 fails its first two runs.
const char kBench[] = R"xml(<bench no-answer-ms="100">
  <port number="41" name="USB-SERIAL CH340 (COM41)">
    <register model="154" name="Тарвик-154Ф" serial="0154000041" protocols="1" build="3021"/>
  </port>
  <port number="42" name="USB-SERIAL CH340 (COM42)">
    <register model="152" name="Тарвик-152Ф" serial="0152000042" protocols="0" build="3021"/>
  </port>
  <port number="43" name="USB-SERIAL CH340 (COM43)">
    <register model="154" name="Тарвик-154Ф" serial="0154000043" status="116" build="3021"/>
  </port>
  <port number="44" name="USB-SERIAL CH340 (COM44)">
    <register model="153" name="Другая ККТ" serial="0153000044" build="3021"/>
  </port>
  <port number="45" name="USB-SERIAL CH340 (COM45)"/>
  <port number="46" name="USB-SERIAL CH340 (COM46)">
    <register model="154" name="Тарвик-154Ф" serial="0154000046" build="3021">
      <fault method="WriteTable" call="1" code="103"/>
      <fault method="WriteTable" call="2" code="103"/>
    </register>
  </port>
  <port number="47" name="USB-SERIAL CH340 (COM47)">
    <register model="154" name="Тарвик-154Ф" serial="0154000047" build="3021" block-ms="300"/>
  </port>
</bench>
)xml";

std::wstring Wide(const std::u16string& AText) {
  return std::wstring(AText.begin(), AText.end());
}

// Wine 8 does not merge the user's classes into HKEY_CLASSES_ROOT as Windows does: while a test
// runs, the per-user registration is copied to the machine's classes, and taken away after.
class TMachineClasses {
 public:
  explicit TMachineClasses(std::vector<std::wstring> AKeys) : FKeys(std::move(AKeys)) {
    for (const std::wstring& key : FKeys) {
      HKEY from = nullptr;
      HKEY to = nullptr;
      const std::wstring path = L"Software\\Classes\\" + key;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &from) == ERROR_SUCCESS &&
          RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &to, nullptr) == ERROR_SUCCESS) {
        RegCopyTreeW(from, nullptr, to);
      }
      if (from != nullptr) {
        RegCloseKey(from);
      }
      if (to != nullptr) {
        RegCloseKey(to);
      }
    }
  }
  ~TMachineClasses() {
    for (const std::wstring& key : FKeys) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + key).c_str());
    }
  }
  TMachineClasses(const TMachineClasses&) = delete;
  TMachineClasses& operator=(const TMachineClasses&) = delete;

 private:
  std::vector<std::wstring> FKeys;
};

constexpr wchar_t kServerKeys[][64] = {L"Kelvane.SimDriver",
                                       L"CLSID\\{6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}"};

std::u16string ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return ExtractFileDir(reinterpret_cast<const char16_t*>(path));
}

// The bench file, the training driver registered for this user, and ports for its registers,
// for the whole program; the driver and the ports are taken away at its end.
class TEnvironment final : public testing::Environment {
 public:
  void SetUp() override {
    const std::u16string bench = (FDir.Path() / "bench.xml").u16string();
    std::ofstream(std::filesystem::path(bench), std::ios::binary) << kBench;
    // Before the server is loaded: its own runtime reads the environment once, at its start.
    SetEnvironmentVariableW(L"KELVANE_BENCH", Wide(bench).c_str());
    FServer = LoadLibraryW(Wide(ProgramFolder() + u"\\kelvane-simdriver.dll").c_str());
    ASSERT_NE(FServer, nullptr);
    ASSERT_EQ(Export("DllRegisterServer")(), S_OK);
    FMachineClasses = std::make_unique<TMachineClasses>(
        std::vector<std::wstring>{kServerKeys[0], kServerKeys[1]});
    std::vector<std::optional<std::u16string>> names;
    for (int port = 41; port <= 47; ++port) {
      names.push_back(u"USB-SERIAL CH340 (COM" + IntToStr(port) + u")");
    }
    FPorts = std::make_unique<TRegisteredPorts>(names);
    SetTarvikFactory([] { return TComTarvik::Create(kServerClass); });
    // A Cyrillic name: the console must take its arguments from the wide command line.
    Firmware = FDir.Write("прошивка_3105.bin",
                          MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 11, 30)}, 1000));
  }
  void TearDown() override {
    SetTarvikFactory({});
    FPorts.reset();
    FMachineClasses.reset();
    Export("DllUnregisterServer")();
  }

  static inline std::u16string Firmware;

 private:
  using TEntry = HRESULT(STDAPICALLTYPE*)();
  TEntry Export(const char* AName) const {
    return reinterpret_cast<TEntry>(reinterpret_cast<void*>(GetProcAddress(FServer, AName)));
  }

  TTempDir FDir;
  HMODULE FServer = nullptr;
  std::unique_ptr<TRegisteredPorts> FPorts;
  std::unique_ptr<TMachineClasses> FMachineClasses;
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TEnvironment);

struct TFound {
  std::int32_t ComNumber;
  std::u16string Serial;
  std::int32_t ProtocolType;
};

std::vector<TFound> Search() {
  std::mutex mutex;
  std::vector<TFound> found;
  TDeviceDiscover discover;
  discover.SetOnFound([&](std::int32_t AComNumber, const std::u16string& ASerial,
                          const std::u16string&, std::int32_t AProtocolType,
                          const std::u16string&) {
    std::lock_guard lock(mutex);
    found.push_back({AComNumber, ASerial, AProtocolType});
  });
  discover.Start();
  EXPECT_TRUE(WaitUntil([&] { return discover.WorkerEnded(); }));
  std::sort(found.begin(), found.end(),
            [](const TFound& A, const TFound& B) { return A.ComNumber < B.ComNumber; });
  return found;
}

std::unique_ptr<TUpdateTask> StartUpdate(std::int32_t APort, std::int32_t AProtocol = 1) {
  auto task = std::make_unique<TUpdateTask>();
  task->SetComNumber(APort);
  task->SetProtocolType(AProtocol);
  task->SetFileName(TEnvironment::Firmware);
  task->Start();
  return task;
}

TEST(EndToEnd, SearchFindsEveryRegisterOfTheModelsThroughTheRegisteredDriver) {
  const std::vector<TFound> found = Search();
  ASSERT_EQ(found.size(), 5u);
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {
      {41, 1}, {42, 0}, {43, 1}, {46, 1}, {47, 1}};
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].ComNumber, expected[i].first);
    EXPECT_EQ(found[i].ProtocolType, expected[i].second) << found[i].ComNumber;
  }
  EXPECT_EQ(found[0].Serial, u"0154000041");
  EXPECT_EQ(found[1].Serial, u"0152000042");
}

TEST(EndToEnd, UpdateReachesTheNewVersionAndTheReceipt) {
  // The register installs only an image whose checksum holds: every byte arrived.
  for (const auto& [port, protocol] : std::vector<std::pair<int, int>>{{41, 1}, {42, 0}}) {
    auto task = StartUpdate(port, protocol);
    ASSERT_TRUE(WaitForEnd(*task));
    EXPECT_TRUE(task->State().Succeded) << ToUtf8(task->State().Text.Get());
    EXPECT_EQ(task->State().Text.Get().rfind(u"Успешно завершено: A.5.3105 (30.11.2026)", 0), 0u)
        << ToUtf8(task->State().Text.Get());
  }
}

TEST(EndToEnd, DriverFaultReachesTheRowWithTheDriversDescription) {
  auto task = StartUpdate(46);
  ASSERT_TRUE(WaitForEnd(*task));
  EXPECT_FALSE(task->State().Succeded);
  EXPECT_EQ(task->State().Text.Get(), u"Ошибка: " + SimResultDescription(103));
}

TEST(EndToEnd, StopEndsTheRunAtItsNextStopPoint) {
  auto task = StartUpdate(47);
  ASSERT_TRUE(WaitUntil([&] { return task->State().Text.Get() == u"Загрузка прошивки"; }));
  task->Stop();
  ASSERT_TRUE(WaitForEnd(*task));
  EXPECT_EQ(task->State().Text.Get(), u"Прервано пользователем");
}

TEST(EndToEnd, WrongDriverClassIsReportedAsNotInstalled) {
  try {
    TComTarvik::Create(u"Kelvane.NoSuchDriver");
    FAIL() << "created";
  } catch (const EError& e) {
    EXPECT_EQ(e.Message(), u"Драйвер ККТ не установлен (Kelvane.NoSuchDriver)");
  }
}

// Runs a program of the build to its end; its exit status and what it printed.
std::pair<DWORD, std::string> RunProgram(std::u16string ACommandLine) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  CreatePipe(&read, &write, &inherit, 0);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write;
  startup.hStdError = write;
  PROCESS_INFORMATION process{};
  std::wstring line = Wide(ACommandLine);
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(write);
  std::string output;
  if (started) {
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(read, buffer, sizeof buffer, &count, nullptr) && count > 0) {
      output.append(buffer, count);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD status = 255;
  if (started) {
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read);
  return {status, output};
}

// The training driver also under the class the build names, as README tells an operator, so that
// the shipped programs find it with no argument and no setting; taken away at the end of the scope.
class TToolClassAlias {
 public:
  TToolClassAlias() {
    EXPECT_EQ(Install(TRUE), S_OK);
    FMachineClasses =
        std::make_unique<TMachineClasses>(std::vector<std::wstring>{KELVANE_TARVIK_CLASS_WIDE});
  }
  ~TToolClassAlias() {
    FMachineClasses.reset();
    Install(FALSE);
  }
  TToolClassAlias(const TToolClassAlias&) = delete;
  TToolClassAlias& operator=(const TToolClassAlias&) = delete;

 private:
  static HRESULT Install(BOOL AInstall) {
    using TInstall = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    const auto install = reinterpret_cast<TInstall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kelvane-simdriver.dll"), "DllInstall")));
    return install != nullptr ? install(AInstall, L"" KELVANE_TARVIK_CLASS_WIDE) : E_FAIL;
  }

  std::unique_ptr<TMachineClasses> FMachineClasses;
};

TEST(EndToEnd, ConsoleFrontEndSearchesAndUpdatesThroughTheDriverTheBuildNames) {
  const TToolClassAlias alias;
  const auto [status, output] =
      RunProgram(u"\"" + ProgramFolder() + u"\\..\\src\\kelvane-console.exe\" --update \"" +
                 TEnvironment::Firmware + u"\"");
  EXPECT_NE(output.find("COM41: 0154000041, A.4.3021"), std::string::npos) << output;
  EXPECT_NE(output.find("Найдено устройств: 5"), std::string::npos) << output;
  EXPECT_NE(output.find("COM41  100%  Успешно завершено: A.5.3105 (30.11.2026)"), std::string::npos)
      << output;
  EXPECT_NE(output.find("COM46  ---  Ошибка: " + ToUtf8(SimResultDescription(103))),
            std::string::npos)
      << output;
  EXPECT_EQ(status, 1u) << "a row failed";
}

TEST(EndToEnd, CliUpdatesTheChosenRegistersAndWritesTheReport) {
  const TToolClassAlias alias;
  TTempDir dir;
  const std::u16string report = (dir.Path() / "отчёт.csv").u16string();
  const auto [status, output] =
      RunProgram(u"\"" + ProgramFolder() + u"\\..\\src\\kelvane-cli.exe\" update \"" +
                 TEnvironment::Firmware + u"\" --ports COM41,42,46 --report \"" + report + u"\"");
  EXPECT_EQ(status, 2u) << "COM46 failed\n" << output;
  EXPECT_NE(output.find("COM45: нет ККТ (Ошибка: "), std::string::npos) << output;
  const std::string csv = ReadFileBytes(report);
  EXPECT_NE(csv.find("\r\nCOM41;0154000041;Тарвик-154Ф;A.4.3021 (15.01.2025);"
                     "A.5.3105 (30.11.2026);success;"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\nCOM42;0152000042;"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\nCOM46;0154000046;Тарвик-154Ф;A.4.3021 (15.01.2025);;failed;Ошибка: "),
            std::string::npos)
      << csv;
}

TEST(EndToEnd, WindowSearchesUpdatesAndLeavesItsSettingsInTheApplicationDataFolder) {
  const std::u16string settings = TXmlStorage::DefaultFileName();
  std::filesystem::remove(std::filesystem::path(settings));
  {
    TWin32MainWindow window;
    window.Show();
    const HWND list = window.Control(u"listView");
    const auto enabled = [&](const char16_t* AName) {
      return IsWindowEnabled(window.Control(AName)) != 0;
    };
    SendMessageW(window.Control(u"btnSearch"), BM_CLICK, 0, 0);
    ASSERT_TRUE(
        PumpUntil([&] { return ListView_GetItemCount(list) == 5 && enabled(u"btnSearch"); }));
    // Only COM41 and COM46 stay ticked: one that succeeds, one whose driver call fails.
    for (const int row : {1, 2, 4}) {
      ListView_SetCheckState(list, row, FALSE);
    }
    SetWindowTextW(window.Control(u"edtFileName"), Wide(TEnvironment::Firmware).c_str());
    SendMessageW(window.Control(u"btnStart"), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !enabled(u"btnSearch"); }));
    ASSERT_TRUE(PumpUntil([&] { return enabled(u"btnSearch"); }));
    wchar_t cell[512] = {};
    ListView_GetItemText(list, 0, 3, cell, 512);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(cell))
                  .rfind(u"Успешно завершено: A.5.3105 (30.11.2026)", 0),
              0u);
    ListView_GetItemText(list, 3, 2, cell, 512);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(cell)), u"---");
    SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  }
  const std::string stored = ReadFileBytes(settings);
  EXPECT_NE(stored.find("<edtFileName_Text>"), std::string::npos) << stored;
  EXPECT_NE(stored.find("_3105.bin</edtFileName_Text>"), std::string::npos) << stored;
}

}  // namespace
}  // namespace kelvane::test
