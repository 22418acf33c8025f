// The window's behaviour on a view without a toolkit, run until it is killed, for the tests of a
// window that dies midway (the task manager, a crash): window_runner FOLDER BENCH FIRMWARE. It
// searches the bench, starts every register it found, makes FOLDER/started once they run, and
// refreshes the window every 50 ms until it is ended. The settings, and so the journal, are in
// FOLDER.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/CommandLine.h"
#include "platform/Files.h"
#include "support/BenchScope.h"
#include "support/FakeMainView.h"
#include "support/Waiting.h"
#include "tasks/MainThread.h"
#include "window/fmuMain.h"

using namespace kelvane;

int main(int argc, char** argv) {
  const std::vector<std::u16string> arguments = CommandLineArguments(argc, argv);
  if (arguments.size() != 3) {
    return 3;
  }
  TMainThread::Instance().BindToCurrentThread();
  const std::filesystem::path folder(arguments[0]);
  const test::TBenchScope bench(ReadFileBytes(arguments[1]));
  test::TFakeMainView view;
  TfmMain window(view, (folder / "Kelvane.xml").u16string());
  window.Run(TCommand::btnSearchClick);
  if (!test::WaitUntil([&] { return !window.DeviceDiscover().State().Started.load(); })) {
    return 4;
  }
  window.Run(TCommand::tmrUpdateDevicesTimer);
  view.SetFieldText(TField::edtFileName, arguments[2]);
  window.Run(TCommand::btnStartClick);
  std::ofstream(folder / "started") << "started";
  for (;;) {
    TMainThread::Instance().Drain();
    window.Run(TCommand::TimerTimer);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}
