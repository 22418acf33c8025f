// The console front end: one discovery pass on the bench, printing each register as discovery
// reports it, and, with --update, the update of every register found, with its progress.
// Exit status: 0 when registers were found and every update ended well, 1 when none was found or
// an update failed, 2 for wrong arguments; so a script can tell.
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/DeviceDiscover.h"
#include "driver/sim/SimBench.h"
#include "platform/CommandLine.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "procedures/UpdateTask.h"
#include "tasks/MainThread.h"
#include "window/RowProgress.h"
#include "window/VersionInfo.h"

using namespace kelvane;

namespace {

struct TFoundRegister {
  std::int32_t ComNumber;
  std::u16string Serial;
  std::int32_t ProtocolType;
};

void Print(const std::u16string& AText) {
  std::fputs(ToUtf8(AText).c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::vector<TFoundRegister> Discover() {
  std::mutex mutex;
  std::vector<TFoundRegister> found;
  TDeviceDiscover discover;
  discover.SetOnFound([&](std::int32_t AComNumber, const std::u16string& ASerial,
                          const std::u16string& AVersion, std::int32_t AProtocolType,
                          const std::u16string& ADeviceName) {
    Print(u"COM" + IntToStr(AComNumber) + u": " + ASerial + u", " + AVersion + u", протокол " +
          IntToStr(AProtocolType) + u", " + ADeviceName);
    std::lock_guard lock(mutex);
    found.push_back({AComNumber, ASerial, AProtocolType});
  });
  discover.Start();
  TMainThread::Instance().WaitWhileDraining([&] { return discover.WorkerEnded(); });
  std::lock_guard lock(mutex);
  Print(u"Найдено устройств: " + IntToStr(static_cast<std::int64_t>(found.size())));
  return found;
}

// True when every update succeeded.
bool Update(const std::vector<TFoundRegister>& ARegisters, const std::u16string& AFirmware,
            const std::u16string& ATables) {
  std::vector<std::unique_ptr<TUpdateTask>> tasks;
  for (const TFoundRegister& found : ARegisters) {
    auto task = std::make_unique<TUpdateTask>();
    task->SetComNumber(found.ComNumber);
    task->SetProtocolType(found.ProtocolType);
    task->SetName(found.Serial);
    task->SetFileName(AFirmware);
    task->SetWriteTables(!ATables.empty());
    task->SetTablesFileName(ATables);
    task->Start();
    tasks.push_back(std::move(task));
  }
  std::vector<std::u16string> shown(tasks.size());
  const auto allEnded = [&] {
    for (const auto& task : tasks) {
      if (!task->WorkerEnded()) {
        return false;
      }
    }
    return true;
  };
  bool ended = false;
  while (!ended) {
    ended = TMainThread::Instance().WaitWhileDraining(allEnded, std::chrono::milliseconds(500));
    for (size_t i = 0; i < tasks.size(); ++i) {
      // The row's cells, as the window would show them.
      const std::optional<TRowCells> cells = RowCells(tasks[i]->State());
      const std::u16string line = u"COM" + IntToStr(tasks[i]->ComNumber()) + u"  " +
                                  (cells ? cells->Percent + u"  " + cells->State : u"");
      if (line != shown[i]) {
        Print(line);
        shown[i] = line;
      }
    }
  }
  for (const auto& task : tasks) {
    if (!task->State().Succeded) {
      return false;
    }
  }
  return true;
}

int Usage() {
  std::fputs("usage: kelvane-console [--update FIRMWARE [--tables TABLES.csv]]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::u16string firmware;
  std::u16string tables;
  const std::vector<std::u16string> arguments = CommandLineArguments(argc, argv);
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == u"--update" && i + 1 < arguments.size()) {
      firmware = arguments[++i];
    } else if (arguments[i] == u"--tables" && i + 1 < arguments.size()) {
      tables = arguments[++i];
    } else {
      return Usage();
    }
  }
  if (!tables.empty() && firmware.empty()) {
    return Usage();
  }

  TMainThread::Instance().BindToCurrentThread();
  // The texts are printed as UTF-8.
  const TUtf8ConsoleOutput console;
#ifdef KELVANE_DRIVER_SIM
  // A build without the driver: the bench stands in for it.
  try {
    UseBenchFromEnvironment();
  } catch (const EError& e) {
    std::fprintf(stderr, "kelvane-console: %s\n", e.what());
    return 2;
  }
#endif
  Print(u"Kelvane v." + FileVersionText() + u": поиск устройств");
  const std::vector<TFoundRegister> found = Discover();
  if (found.empty()) {
    return 1;
  }
  if (!firmware.empty()) {
    Print(u"Обновление из " + firmware);
    return Update(found, firmware, tables) ? 0 : 1;
  }
  return 0;
}
