// The Windows product end to end: the real TComTarvik on the registered training driver, the real
// SetupAPI port list, and no test double; through the core, the console front end and the window.
#include <windows.h>

#include <algorithm>
#include <commctrl.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>

#include <gtest/gtest.h>

#include "discovery/DeviceDiscover.h"
#include "discovery/PortSource.h"
#include "driver/TarvikFactory.h"
#include "driver/TarvikMembers.h"
#include "driver/com/ComTarvik.h"
#include "driver/sim/BenchFile.h"
#include "driver/sim/SimFirmware.h"
#include "driver/sim/SimResultCodes.h"
#include "driver/sim/SimTarvik.h"
#include "platform/ComApartment.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "procedures/UpdateTask.h"
#include "support/MessagePump.h"
#include "support/RegisteredPorts.h"
#include "support/Scenarios.h"
#include "support/SteppingClock.h"
#include "support/SlotValue.h"
#include "support/TempDir.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"
#include "training-driver/SimDriverClass.h"
#include "session/Journal.h"
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
)xml";

// A register that answers at once, for the figure of what the COM path adds. No port of the
// system's list names it: discovery never meets it.
const char kFastPort[] = R"xml(
  <port number="48" name="USB-SERIAL CH340 (COM48)">
    <register model="154" name="Тарвик-154Ф" serial="0154000048" build="3021" exchange-ms="0"
              block-ms="0" install-ms="0"/>
  </port>
)xml";

std::wstring Wide(const std::u16string& AText) {
  return std::wstring(AText.begin(), AText.end());
}

std::string Narrow(const wchar_t* AText) {
  return ToUtf8(std::u16string(AText, AText + wcslen(AText)));
}

// Wine 8 does not merge the user's classes into HKEY_CLASSES_ROOT as Windows does: while a test
// runs, the per-user registration is copied to the machine's classes, and taken away after. A key
// the machine already has (an installed driver's) is left exactly as it is.
class TMachineClasses {
 public:
  explicit TMachineClasses(std::vector<std::wstring> AKeys) {
    for (const std::wstring& key : AKeys) {
      HKEY from = nullptr;
      HKEY to = nullptr;
      const std::wstring path = L"Software\\Classes\\" + key;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &to) == ERROR_SUCCESS) {
        RegCloseKey(to);
        continue;
      }
      if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &from) == ERROR_SUCCESS &&
          RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &to, nullptr) == ERROR_SUCCESS) {
        RegCopyTreeW(from, nullptr, to);
        FKeys.push_back(key);
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
  // The keys this scope made, and only those.
  std::vector<std::wstring> FKeys;
};

constexpr wchar_t kServerKeys[][64] = {L"Kelvane.SimDriver",
                                       L"CLSID\\{6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}"};

std::u16string ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return ExtractFileDir(reinterpret_cast<const char16_t*>(path));
}

// These tests change the classes of the user and of the machine and register ports: under Wine
// that is a prefix of the build's own, on a workstation it would be the operator's.
bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Calls one of the training driver's exports as regsvr32 does: the library is loaded for the
// call only, so that nothing holds it loaded while the tests use it through COM.
HRESULT CallServer(const char* AExport,
                   std::optional<std::pair<BOOL, std::wstring>> AInstall = {}) {
  const HMODULE server = LoadLibraryW(Wide(ProgramFolder() + u"\\kelvane-simdriver.dll").c_str());
  if (server == nullptr) {
    return E_FAIL;
  }
  HRESULT result = E_FAIL;
  if (FARPROC entry = GetProcAddress(server, AExport); entry != nullptr && AInstall) {
    using TInstall = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
    result = reinterpret_cast<TInstall>(reinterpret_cast<void*>(entry))(AInstall->first,
                                                                        AInstall->second.c_str());
  } else if (entry != nullptr) {
    result = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(entry))();
  }
  FreeLibrary(server);
  return result;
}

// The bench file, the training driver registered for this user, and ports for its registers,
// for the whole program; the driver and the ports are taken away at its end.
class TEnvironment final : public testing::Environment {
 public:
  void SetUp() override {
    if (!UnderWine()) {
      GTEST_SKIP() << "the end-to-end tests change the classes of the user and of the machine: "
                      "they run under Wine only";
    }
    FActive = true;
    std::string bench = std::string(kBench) + kFastPort;
    for (size_t i = 0; i < ProcedureScenarios().size(); ++i) {
      bench += ScenarioPortXml(i);
    }
    const std::u16string file = (FDir.Path() / "bench.xml").u16string();
    std::ofstream(std::filesystem::path(file), std::ios::binary) << bench << "</bench>\n";
    // Before the server is loaded: its own runtime reads the environment once, at its start.
    SetEnvironmentVariableW(L"KELVANE_BENCH", Wide(file).c_str());
    ASSERT_EQ(CallServer("DllRegisterServer"), S_OK);
    FMachineClasses = std::make_unique<TMachineClasses>(
        std::vector<std::wstring>{kServerKeys[0], kServerKeys[1]});
    std::vector<std::optional<std::u16string>> names;
    for (int port = 41; port <= 47; ++port) {
      names.push_back(u"USB-SERIAL CH340 (COM" + IntToStr(port) + u")");
    }
    FPorts = std::make_unique<TRegisteredPorts>(names);
    FFactory.emplace(SetTarvikFactory, [] { return TComTarvik::Create(kServerClass); });
    // A Cyrillic name: the console must take its arguments from the wide command line.
    Firmware = FDir.Write("прошивка_3105.bin",
                          MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 11, 30)}, 1000));
  }
  void TearDown() override {
    if (!FActive) {
      return;
    }
    FFactory.reset();
    FPorts.reset();
    FMachineClasses.reset();
    CallServer("DllUnregisterServer");
  }

  static inline std::u16string Firmware;

 private:
  bool FActive = false;
  TTempDir FDir;
  std::unique_ptr<TRegisteredPorts> FPorts;
  std::unique_ptr<TMachineClasses> FMachineClasses;
  std::optional<TSlotValue<TTarvikFactory>> FFactory;
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

// An automation client of its own, JScript under the system's script host, drives the training
// driver by names alone: the connection's properties put, one identification's methods called,
// the register's answers read; what the register answers cannot be put.
TEST(EndToEnd, AScriptDrivesTheTrainingDriverByName) {
  TTempDir dir;
  const std::u16string script = dir.Write("identify.js", R"js(
var d = new ActiveXObject("Kelvane.SimDriver");
d.ConnectionType = 0;
d.ProtocolType = 1;
d.ComNumber = 41;
d.BaudRate = 6;
d.Timeout = 5000;
WScript.Echo("status " + d.GetECRStatus());
WScript.Echo("metrics " + d.GetDeviceMetrics() + " model " + d.UModel);
WScript.Echo("serial " + d.ReadSerialNumber() + " " + d.SerialNumber);
WScript.Echo("version " + d.GetECRStatus() + " " + d.ECRSoftVersion + "." + d.ECRBuild);
WScript.Echo("port " + d.ComNumber);
try {
  d.ECRBuild = 1;
  WScript.Echo("put ECRBuild");
} catch (e) {
  WScript.Echo("no put of ECRBuild");
}
)js");
  const auto [status, output] = RunProgram(u"cscript.exe //nologo \"" + script + u"\"");
  EXPECT_EQ(status, 0u) << output;
  EXPECT_EQ(output,
            "status 0\r\nmetrics 0 model 154\r\nserial 0 0154000041\r\nversion 0 A.4.3021\r\n"
            "port 41\r\nno put of ECRBuild\r\n");
}

// The training driver's type library is registered for the user.
bool TypeLibraryRegistered() {
  BSTR path = nullptr;
  const HRESULT result = QueryPathOfRegTypeLib(kSimDriverLibraryId, 1, 0, LOCALE_NEUTRAL, &path);
  SysFreeString(path);
  return SUCCEEDED(result);
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
    return CallServer("DllInstall", std::pair{AInstall, std::wstring(KELVANE_TARVIK_CLASS_WIDE)});
  }

  std::unique_ptr<TMachineClasses> FMachineClasses;
};

TEST(EndToEnd, CliSearchesThroughTheDriverTheBuildNames) {
  const TToolClassAlias alias;
  const auto [status, output] =
      RunProgram(u"\"" + ProgramFolder() + u"\\..\\src\\kelvane-cli.exe\" search");
  EXPECT_NE(output.find("COM41: 0154000041, A.4.3021"), std::string::npos) << output;
  EXPECT_NE(output.find("COM42: 0152000042, A.4.3021 (15.01.2025), протокол 0"), std::string::npos)
      << output;
  EXPECT_NE(output.find("COM44: нет ККТ (Ошибка: Неверный номер модели)"), std::string::npos)
      << output;
  EXPECT_EQ(status, 0u) << output;
}

TEST(EndToEnd, CliWithoutTheDriverSaysSoOnceAndTouchesNoPort) {
  const auto [status, output] =
      RunProgram(u"\"" + ProgramFolder() + u"\\..\\src\\kelvane-cli.exe\" update \"" +
                 TEnvironment::Firmware + u"\"");
  const std::string said =
      "драйвер ККТ (" + ToUtf8(FromAscii(KELVANE_TARVIK_CLASS_ASCII)) + ") не создаётся";
  EXPECT_NE(output.find(said), std::string::npos) << output;
  EXPECT_EQ(output.find(said), output.rfind(said)) << "once\n" << output;
  EXPECT_NE(output.find(std::to_string(sizeof(void*) * 8) + "-разрядная"), std::string::npos)
      << output;
  EXPECT_EQ(output.find("COM41"), std::string::npos) << output;
  EXPECT_EQ(status, 3u) << output;
}

TEST(EndToEnd, CliUpdatesTheChosenRegistersAndWritesTheReport) {
  const TToolClassAlias alias;
  TTempDir dir;
  const std::u16string report = (dir.Path() / "отчёт.csv").u16string();
  const TJournal journal(JournalFolderOf(TXmlStorage::DefaultFileName()));
  const size_t recorded = journal.Read().size();
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
  // The driver's text holds a ",": quoted.
  EXPECT_NE(csv.find("\r\nCOM46;0154000046;Тарвик-154Ф;A.4.3021 (15.01.2025);;failed;SKoK off;;\"" +
                     ToUtf8(SimResultDescription(103)) + "\";\"Ошибка: "),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\nCOM45;;;;;no register;"), std::string::npos) << csv;
  // Each register that ran has its record beside the settings, as the window's runs do.
  const std::vector<TJournalRecord> records = journal.Read();
  ASSERT_EQ(records.size(), recorded + 3);
  const auto failed = std::find_if(records.begin() + static_cast<std::ptrdiff_t>(recorded),
                                   records.end(),
                                   [](const TJournalRecord& A) { return A.ComNumber == 46; });
  ASSERT_NE(failed, records.end());
  EXPECT_EQ(failed->Serial, u"0154000046");
  EXPECT_EQ(failed->Outcome.Result, TUpdateResult::Failed);
  EXPECT_EQ(failed->Outcome.LastStep, TUpdateStep::SkokOff);
  EXPECT_EQ(failed->Outcome.ErrorText, SimResultDescription(103));
  EXPECT_EQ(failed->Firmware, TEnvironment::Firmware);
  EXPECT_EQ(failed->Program, u"kelvane-cli");
}

TEST(EndToEnd, WindowSearchesUpdatesAndLeavesItsSettingsInTheApplicationDataFolder) {
  const std::u16string settings = TXmlStorage::DefaultFileName();
  std::filesystem::remove(std::filesystem::path(settings));
  const TJournal journal(JournalFolderOf(settings));
  const size_t recorded = journal.Read().size();
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
  // The journal has the window's two runs, as it has the CLI's.
  std::vector<std::pair<std::int32_t, TUpdateResult>> ran;
  const std::vector<TJournalRecord> records = journal.Read();
  for (size_t i = recorded; i < records.size(); ++i) {
    EXPECT_EQ(records[i].Program, u"Kelvane");
    ran.emplace_back(records[i].ComNumber, records[i].Outcome.Result);
  }
  std::sort(ran.begin(), ran.end());
  EXPECT_EQ(ran, (std::vector<std::pair<std::int32_t, TUpdateResult>>{
                     {41, TUpdateResult::Success}, {46, TUpdateResult::Failed}}));
}

class TRecordingDialogs final : public TWin32Dialogs {
 public:
  std::optional<std::u16string> ChooseFile(HWND, const TFileChooser&) override { return {}; }
  void ShowError(HWND, const std::u16string&, const std::u16string& AText) override {
    Errors.push_back(AText);
  }
  std::vector<std::u16string> Errors;
};

// Without the driver registered, a search asks no register: the window says why, once, as
// kelvane-cli does; its list and status are those of any pass that found nothing.
TEST(EndToEnd, WindowWithoutTheDriverSaysSoInOneBox) {
  // The build's own control, through the class the build names: not registered here.
  const TSlotValue<TTarvikFactory> platform(SetTarvikFactory, {});
  const auto dialogs = std::make_shared<TRecordingDialogs>();
  TTempDir dir;
  TWin32MainWindow window(TWin32MainWindow::MainWindowBehaviour((dir.Path() / "k.xml").u16string()),
                          dialogs);
  window.Show();
  SendMessageW(window.Control(u"btnSearch"), BM_CLICK, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !dialogs->Errors.empty(); }));
  ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(window.Control(u"btnSearch")) != 0; }));
  ASSERT_EQ(dialogs->Errors.size(), 1u);
  const std::string said = ToUtf8(dialogs->Errors[0]);
  EXPECT_EQ(said.rfind("драйвер ККТ (" + ToUtf8(FromAscii(KELVANE_TARVIK_CLASS_ASCII)) +
                           ") не создаётся: ",
                       0),
            0u)
      << said;
  EXPECT_NE(said.find(std::to_string(sizeof(void*) * 8) + "-разрядная"), std::string::npos)
      << said;
  EXPECT_EQ(ListView_GetItemCount(window.Control(u"listView")), 0);
  SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
}

// The first place where two logs part, with what stands there on each side.
std::string FirstDifference(const std::vector<std::string>& ALeft,
                            const std::vector<std::string>& ARight) {
  size_t i = 0;
  while (i < ALeft.size() && i < ARight.size() && ALeft[i] == ARight[i]) {
    ++i;
  }
  if (i == ALeft.size() && i == ARight.size()) {
    return "";
  }
  const auto at = [i](const std::vector<std::string>& ALog) {
    std::string text;
    for (size_t j = i >= 3 ? i - 3 : 0; j < ALog.size() && j < i + 3; ++j) {
      text += (j == i ? " >" : "  ") + ALog[j] + "\n";
    }
    return text;
  };
  return "at entry " + std::to_string(i) + "\nCOM path:\n" + at(ALeft) + "simulated control:\n" +
         at(ARight);
}

// What the COM path adds to an update: the same update of a 1 MiB image on a register that
// answers at once, through TComTarvik and the registered training driver and on the simulated
// control itself, against the time its blocks take on the wire of a real register (11.1 ms each
// at 115 200 baud). A figure, not a check: `make bench` runs it and prints it.
TEST(EndToEndFigure, DISABLED_WhatTheComPathAddsToAnUpdate) {
  constexpr size_t kImage = 1 << 20;
  constexpr double kBlocks = kImage / 128.0;
  constexpr double kWireSeconds = kBlocks * 0.0111;
  TSteppingClockScope clock;
  clock.Clock().SetFreeRunning(true);
  TTempDir dir;
  const std::u16string firmware = dir.Write(
      "figure_3105.bin", MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 11, 30)}, kImage));
  // The fastest of three updates, in seconds.
  const auto fastest = [&] {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
      TUpdateTask task;
      task.SetComNumber(48);
      task.SetProtocolType(1);
      task.SetFileName(firmware);
      const auto started = std::chrono::steady_clock::now();
      task.Start();
      EXPECT_TRUE(WaitForEnd(task));
      EXPECT_TRUE(task.State().Succeded) << ToUtf8(task.State().Text.Get());
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                          started).count());
    }
    return best;
  };
  const double com = fastest();
  const auto bench = ParseBench(std::string("<bench>") + kFastPort + "</bench>", "figure");
  TSlotValue<TTarvikFactory> direct(SetTarvikFactory,
                                    [&] { return std::make_unique<TSimTarvik>(bench); });
  const double sim = fastest();
  const double added = com - sim;
  std::printf("COM path: %.1f us per 128-byte block (1 MiB: %.3f s through COM, %.3f s on the "
              "control itself) = %.3f %% of the update's %.0f s on the wire; target under 1 %%: "
              "%s\n",
              added / kBlocks * 1e6, com, sim, added / kWireSeconds * 100, kWireSeconds,
              added / kWireSeconds < 0.01 ? "met" : "MISSED");
}

class ScenarioThroughCom : public testing::TestWithParam<size_t> {};

// One scenario, one outcome: through TComTarvik and the registered training driver a register
// ends as the table says, and as it does on the simulated control, write for write and call for
// call.
TEST_P(ScenarioThroughCom, EndsAsOnTheSimulatedControl) {
  const TScenario& scenario = ProcedureScenarios()[GetParam()];
  TTempDir folder;
  const TScenarioOutcome com = RunScenario(
      GetParam(), [] { return TComTarvik::Create(kServerClass); }, folder.Path());
  EXPECT_EQ(com.Calls, scenario.Calls);
  EXPECT_EQ(com.Texts, scenario.Texts);
  const auto bench = ParseBench(ScenarioBench(ScenarioPortXml(GetParam())), scenario.Name);
  const TScenarioOutcome direct = RunScenario(
      GetParam(), [&] { return std::make_unique<TSimTarvik>(bench); }, folder.Path());
  EXPECT_EQ(FirstDifference(com.Log, direct.Log), "");
}

INSTANTIATE_TEST_SUITE_P(Table, ScenarioThroughCom,
                         testing::Range(size_t{0}, ProcedureScenarios().size()),
                         [](const testing::TestParamInfo<size_t>& AInfo) {
                           return ProcedureScenarios()[AInfo.param].Name;
                         });

// Keys under the user's classes, as regsvr32 leaves them.
const std::wstring kUserClasses = L"Software\\Classes\\";

bool UserKeyExists(const std::wstring& AKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (kUserClasses + AKey).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void SetUserKey(const std::wstring& AKey, const std::wstring& AValue) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kUserClasses + AKey).c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(AValue.c_str()),
                 static_cast<DWORD>((AValue.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

// Another program's class and ProgID among the user's classes, for the life of the scope.
class TOtherProgram {
 public:
  static constexpr wchar_t kClass[] = L"{0B5B1E2C-7A41-4D3E-9F60-2C8D5E4A11E0}";
  TOtherProgram() {
    SetUserKey(std::wstring(L"CLSID\\") + kClass, L"another program");
    SetUserKey(L"Other.Program\\CLSID", kClass);
  }
  ~TOtherProgram() {
    RegDeleteTreeW(HKEY_CURRENT_USER, (kUserClasses + L"CLSID\\" + kClass).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, (kUserClasses + L"Other.Program").c_str());
  }
  TOtherProgram(const TOtherProgram&) = delete;
  TOtherProgram& operator=(const TOtherProgram&) = delete;
  static bool Intact() {
    return UserKeyExists(std::wstring(L"CLSID\\") + kClass) && UserKeyExists(L"Other.Program");
  }
};

TEST(TrainingDriverRegistration, DllInstallTakesOnlyAProgIdShapedName) {
  const TOtherProgram other;
  for (const wchar_t* name :
       {L"", L"CLSID", L"CLSID\\{6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}",
        L"{6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}", L"Interface", L"TypeLib", L".bin", L"Kelvane",
        L"1Kelvane.Driver", L"Kelvane.Driver\\CLSID", L"..\\Kelvane.Driver", L"Kelvane.Driver.",
        L"Kelvane Driver.1", L"Kelvane.A.very.long.name.of.forty.characters"}) {
    EXPECT_EQ(CallServer("DllInstall", std::pair{TRUE, std::wstring(name)}), E_INVALIDARG)
        << Narrow(name);
    EXPECT_EQ(CallServer("DllInstall", std::pair{FALSE, std::wstring(name)}), E_INVALIDARG)
        << Narrow(name);
  }
  EXPECT_TRUE(TOtherProgram::Intact());
  // A name that is another program's is not the training driver's to take away.
  EXPECT_NE(CallServer("DllInstall", std::pair{FALSE, std::wstring(L"Other.Program")}), S_OK);
  EXPECT_TRUE(TOtherProgram::Intact());
}

TEST(TrainingDriverRegistration, UnregisteringTakesAwayEveryNameOfTheClassAndNoOther) {
  const TOtherProgram other;
  ASSERT_EQ(CallServer("DllInstall", std::pair{TRUE, std::wstring(L"Kelvane.TestAlias")}), S_OK);
  ASSERT_EQ(CallServer("DllInstall", std::pair{TRUE, std::wstring(L"Kelvane.Other_Alias")}), S_OK);
  EXPECT_EQ(CallServer("DllInstall", std::pair{FALSE, std::wstring(L"Kelvane.Other_Alias")}), S_OK);
  EXPECT_FALSE(UserKeyExists(L"Kelvane.Other_Alias"));
  EXPECT_TRUE(UserKeyExists(L"Kelvane.TestAlias"));
  EXPECT_EQ(CallServer("DllUnregisterServer"), S_OK);
  EXPECT_FALSE(UserKeyExists(L"Kelvane.TestAlias"));
  EXPECT_FALSE(UserKeyExists(L"Kelvane.SimDriver"));
  EXPECT_FALSE(UserKeyExists(L"CLSID\\{6F1C2A4E-9B3D-4C7A-8E25-4B9D7A1C3E58}"));
  EXPECT_FALSE(TypeLibraryRegistered()) << "the type library goes with the class";
  EXPECT_TRUE(TOtherProgram::Intact());
  // The registration the other tests use.
  ASSERT_EQ(CallServer("DllRegisterServer"), S_OK);
  EXPECT_TRUE(TypeLibraryRegistered());
}

// The type library describes ITarvik48 as the driver's table does: every property by its name and
// dispatch identifier, with its type, and a put for each one a client writes; every method by its
// name, giving an Integer.
TEST(TrainingDriverTypeLibrary, DescribesEveryMemberOfTheDriversTable) {
  const TComApartment apartment;
  TComPtr<IDispatch> control;
  CLSID classId{};
  ASSERT_EQ(CLSIDFromProgID(L"Kelvane.SimDriver", &classId), S_OK);
  ASSERT_EQ(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             control.OutVoid()),
            S_OK);
  UINT count = 0;
  ASSERT_EQ(control->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  TComPtr<ITypeInfo> info;
  ASSERT_EQ(control->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Out()), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  // Each member's kinds of call (get, put, method) and the type it gives.
  std::map<MEMBERID, std::pair<int, VARTYPE>> members;
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
    // IUnknown's and IDispatch's own, which a dual interface's description carries too.
    if (function->memid >= 0x60000000) {
      info->ReleaseFuncDesc(function);
      continue;
    }
    auto& [kinds, type] = members[function->memid];
    kinds |= function->invkind;
    if (function->invkind != INVOKE_PROPERTYPUT) {
      type = function->elemdescFunc.tdesc.vt;
    }
    info->ReleaseFuncDesc(function);
  }
  info->ReleaseTypeAttr(attributes);
  const auto named = [&](std::string_view AName) {
    std::wstring name(AName.begin(), AName.end());
    LPOLESTR names[] = {name.data()};
    MEMBERID id = MEMBERID_NIL;
    EXPECT_EQ(info->GetIDsOfNames(names, 1, &id), S_OK) << AName;
    return id;
  };
  const std::map<TTarvikType, VARTYPE> types = {{TTarvikType::Integer, VT_I4},
                                                {TTarvikType::WordBool, VT_BOOL},
                                                {TTarvikType::DateTime, VT_DATE},
                                                {TTarvikType::WideString, VT_BSTR}};
  for (const TTarvikProperty property : AllProperties()) {
    const auto id = static_cast<MEMBERID>(property);
    EXPECT_EQ(named(PropertyName(property)), id);
    const int kinds = PropertyReadOnly(property) ? INVOKE_PROPERTYGET
                                                 : INVOKE_PROPERTYGET | INVOKE_PROPERTYPUT;
    EXPECT_EQ(members[id], std::pair(kinds, types.at(PropertyType(property))))
        << PropertyName(property);
  }
  for (const TTarvikMethod method : AllMethods()) {
    const MEMBERID id = named(MethodName(method));
    EXPECT_EQ(members[id], std::pair(static_cast<int>(INVOKE_FUNC), VARTYPE{VT_I4}))
        << MethodName(method);
  }
  EXPECT_EQ(members.size(), AllProperties().size() + AllMethods().size());
}

TEST(EndToEnd, ControlOfASingleThreadedClassIsRefusedWithItsReason) {
  const std::wstring clsid = L"{0B5B1E2C-7A41-4D3E-9F60-2C8D5E4A51E0}";
  for (const wchar_t* model : {static_cast<const wchar_t*>(nullptr), L"Single", L"single"}) {
    // For the machine: Wine's HKEY_CLASSES_ROOT shows the machine's classes only.
    const std::wstring server = L"Software\\Classes\\CLSID\\" + clsid + L"\\InprocServer32";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, server.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring path = Wide(ProgramFolder() + u"\\kelvane-simdriver.dll");
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    if (model != nullptr) {
      RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model),
                     static_cast<DWORD>((wcslen(model) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    const std::u16string name(clsid.begin(), clsid.end());
    try {
      TComTarvik::Create(name);
      ADD_FAILURE() << "created";
    } catch (const EError& e) {
      const std::u16string shown =
          model != nullptr ? std::u16string(model, model + wcslen(model)) : u"нет";
      EXPECT_EQ(e.Message(), u"Драйвер ККТ (" + name +
                                 u") зарегистрирован с однопоточной моделью (ThreadingModel: " +
                                 shown +
                                 u"): его вызовы ждали бы главного потока, поэтому он не "
                                 u"используется");
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\CLSID\\" + clsid).c_str());
  }
}

}  // namespace
}  // namespace kelvane::test
