#include "support/ChildProcess.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>
#include <spawn.h>
#endif

#include <filesystem>

#include "platform/Files.h"
#include "platform/Text.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace kelvane::test {

#ifdef _WIN32

struct TChildProcess::TProcess {
  PROCESS_INFORMATION Info{};
  bool Started = false;
};

TChildProcess::TChildProcess(const std::string& AProgram,
                             const std::vector<std::u16string>& AArguments)
    : FProcess(std::make_unique<TProcess>()) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::u16string line = u"\"" + ExtractFileDir(reinterpret_cast<const char16_t*>(self)) + u"\\" +
                        FromUtf8(AProgram) + u".exe\"";
  for (const std::u16string& argument : AArguments) {
    line += u" \"" + argument + u"\"";
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  FProcess->Started =
      CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE, 0,
                     nullptr, nullptr, &startup, &FProcess->Info) != 0;
}

TChildProcess::~TChildProcess() {
  if (FProcess->Started) {
    if (!FEnded) {
      Kill();
      Wait();
    }
    CloseHandle(FProcess->Info.hProcess);
    CloseHandle(FProcess->Info.hThread);
  }
}

bool TChildProcess::Started() const {
  return FProcess->Started;
}

void TChildProcess::Kill() {
  if (FProcess->Started && !FEnded) {
    TerminateProcess(FProcess->Info.hProcess, 137);
  }
}

int TChildProcess::Wait() {
  if (!FProcess->Started) {
    return -1;
  }
  WaitForSingleObject(FProcess->Info.hProcess, INFINITE);
  FEnded = true;
  DWORD status = 0;
  GetExitCodeProcess(FProcess->Info.hProcess, &status);
  return static_cast<int>(status);
}

#else

struct TChildProcess::TProcess {
  pid_t Pid = -1;
};

TChildProcess::TChildProcess(const std::string& AProgram,
                             const std::vector<std::u16string>& AArguments)
    : FProcess(std::make_unique<TProcess>()) {
  const std::string path =
      (std::filesystem::read_symlink("/proc/self/exe").parent_path() / AProgram).string();
  std::vector<std::string> arguments{path};
  for (const std::u16string& argument : AArguments) {
    arguments.push_back(ToUtf8(argument));
  }
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  if (posix_spawn(&FProcess->Pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    FProcess->Pid = -1;
  }
}

TChildProcess::~TChildProcess() {
  if (FProcess->Pid > 0 && !FEnded) {
    Kill();
    Wait();
  }
}

bool TChildProcess::Started() const {
  return FProcess->Pid > 0;
}

void TChildProcess::Kill() {
  if (FProcess->Pid > 0 && !FEnded) {
    kill(FProcess->Pid, SIGKILL);
  }
}

int TChildProcess::Wait() {
  if (FProcess->Pid <= 0) {
    return -1;
  }
  int status = 0;
  while (waitpid(FProcess->Pid, &status, 0) < 0 && errno == EINTR) {
  }
  FEnded = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

}  // namespace kelvane::test
