#include "BenchSupport.h"

#include <filesystem>
#include <fstream>

#include "driver/TarvikFactory.h"
#include "driver/sim/BenchFile.h"
#include "driver/sim/SimFirmware.h"
#include "driver/sim/SimTarvik.h"
#include "procedures/UpdateTask.h"
#include "tasks/MainThread.h"

namespace kelvane::bench {

std::chrono::milliseconds TNoPauseClock::SteadyNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

std::u16string WriteFirmware(size_t APayload) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("kelvane-bench_" + std::to_string(APayload) + "_3105.bin");
  const std::string image = MakeSimFirmware({3105, u"A.5", EncodeDate(2026, 12, 1)}, APayload);
  std::ofstream(path, std::ios::binary)
      .write(image.data(), static_cast<std::streamsize>(image.size()));
  return path.u16string();
}

void UseBench(int ACount, const std::string& AAttributes, int AFirst) {
  std::string xml = "<bench no-answer-ms='0'>";
  for (int port = AFirst; port < AFirst + ACount; ++port) {
    xml += "<port number='" + std::to_string(port) + "' name='USB (COM" + std::to_string(port) +
           ")'><register model='154' serial='S" + std::to_string(port) + "' " + AAttributes +
           "/></port>";
  }
  const auto bench = ParseBench(xml + "</bench>", "benchmark");
  SetCurrentBench(bench);
  SetTarvikFactory([bench] { return std::make_unique<TSimTarvik>(bench); });
}

void RunUpdates(int ACount, const std::u16string& AFile) {
  std::vector<std::unique_ptr<TUpdateTask>> tasks;
  for (int port = 1; port <= ACount; ++port) {
    auto task = std::make_unique<TUpdateTask>();
    task->SetComNumber(port);
    task->SetProtocolType(1);
    task->SetFileName(AFile);
    task->Start();
    tasks.push_back(std::move(task));
  }
  TMainThread::Instance().WaitWhileDraining([&] {
    for (const auto& task : tasks) {
      if (!task->WorkerEnded()) {
        return false;
      }
    }
    return true;
  });
}

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

namespace {

// A "Name:  value kB" line of /proc/self/status.
long StatusField(const std::string& AName) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(AName + ":", 0) == 0) {
      return std::stol(line.substr(AName.size() + 1));
    }
  }
  return -1;
}

}  // namespace

double PeakResidentMiB() {
  return static_cast<double>(StatusField("VmHWM")) / 1024.0;
}
double ResidentMiB() {
  return static_cast<double>(StatusField("VmRSS")) / 1024.0;
}

void ResetPeakResident() {
  // Linux resets the peak to the present size on a 5 written here.
  std::ofstream("/proc/self/clear_refs") << "5";
}

int ThreadCount() {
  return static_cast<int>(StatusField("Threads"));
}

}  // namespace kelvane::bench
