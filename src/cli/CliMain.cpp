// kelvane-cli: the identification and the update of many registers from a terminal or a script,
// with a report of every register. Exit status: see TExitStatus (README lists it).
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <csignal>
#endif

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/BatchRun.h"
#include "cli/CliArguments.h"
#include "cli/LiveDisplay.h"
#include "cli/Report.h"
#include "platform/CommandLine.h"
#include "platform/Text.h"
#include "tasks/MainThread.h"
#include "window/VersionInfo.h"

#ifdef KELVANE_DRIVER_SIM
#include "driver/sim/SimBench.h"
#endif

using namespace kelvane;

namespace {

// Set by Ctrl+C (or the console closing): every row stops at its next stop point.
std::atomic<bool> StopRequested{false};

void Write(const std::string& AText) {
  std::fputs(AText.c_str(), stdout);
  std::fflush(stdout);
}

void Line(const std::u16string& AText) {
  Write(ToUtf8(AText) + "\n");
}

#ifdef _WIN32
HANDLE ReportWritten = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD AEvent) {
  StopRequested = true;
  if (AEvent == CTRL_CLOSE_EVENT || AEvent == CTRL_LOGOFF_EVENT || AEvent == CTRL_SHUTDOWN_EVENT) {
    // The process ends when this returns: give the rows time to stop and the report to be written.
    WaitForSingleObject(ReportWritten, 4500);
  }
  return TRUE;
}

void InstallStopHandler() {
  ReportWritten = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

void StopHandled() {
  SetEvent(ReportWritten);
}

bool OnTerminal() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  return GetConsoleMode(output, &mode) &&
         SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
#else
void OnSignal(int) {
  StopRequested = true;
}

void InstallStopHandler() {
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

void StopHandled() {
}

bool OnTerminal() {
  return isatty(STDOUT_FILENO) != 0;
}
#endif

void PrintPorts(const std::vector<TIdentifiedPort>& APorts) {
  for (const TIdentifiedPort& port : APorts) {
    const std::u16string name = u"COM" + IntToStr(port.ComNumber) + u": ";
    if (port.Found) {
      Line(name + port.Serial + u", " + port.Version + u", протокол " +
           IntToStr(port.ProtocolType) + u", " + port.DeviceName);
    } else {
      Line(name + u"нет ККТ (" + port.Error + u")");
    }
  }
}

int Run(const TCliCommand& ACommand) {
  const std::vector<TIdentifiedPort> ports = IdentifyPorts();
  PrintPorts(ports);
  if (ACommand.Kind == TCliCommand::Search) {
    for (const TIdentifiedPort& port : ports) {
      if (port.Found) {
        return kExitSuccess;
      }
    }
    return kExitUsage;
  }
  const std::vector<TIdentifiedPort> chosen = ChosenRegisters(ports, ACommand.Choice);
  if (chosen.empty()) {
    std::fputs("kelvane-cli: ни одной выбранной ККТ не найдено\n", stderr);
    return kExitUsage;
  }
  Line(u"Обновление из " + ACommand.Choice.Firmware);
  TLiveDisplay display(OnTerminal(), &Write);
  const std::vector<TReportRow> rows =
      UpdateRegisters(chosen, ACommand.Choice, StopRequested,
                      [&](const std::vector<TLiveRow>& ARows) { display.Show(ARows); });
  int status = ExitStatusOf(rows);
  if (ACommand.Report) {
    try {
      WriteReport(*ACommand.Report, rows);
      Line(u"Отчёт: " + *ACommand.Report);
    } catch (const EError& e) {
      std::fprintf(stderr, "kelvane-cli: %s\n", e.what());
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const TUtf8ConsoleOutput console;
  TCliCommand command;
  try {
    std::vector<std::string> arguments;
    for (const std::u16string& argument : CommandLineArguments(argc, argv)) {
      arguments.push_back(ToUtf8(argument));
    }
    command = ParseCliArguments(arguments);
  } catch (const ECliUsage& e) {
    std::fprintf(stderr, "kelvane-cli: %s\n", e.what());
    return kExitUsage;
  }
  if (command.Kind == TCliCommand::Help) {
    Write(command.Text);
    return kExitSuccess;
  }
  if (command.Kind == TCliCommand::Version) {
    Line(u"kelvane-cli " + FileVersionText());
    return kExitSuccess;
  }
  TMainThread::Instance().BindToCurrentThread();
  InstallStopHandler();
  int status = kExitUsage;
  try {
#ifdef KELVANE_DRIVER_SIM
    UseBenchFromEnvironment();
#endif
    status = Run(command);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kelvane-cli: %s\n", e.what());
    status = kExitFailed;
  }
  StopHandled();
  return status;
}
