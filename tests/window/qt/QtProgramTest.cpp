// The Qt program as the system ends it: SIGTERM, SIGHUP and SIGINT close its window as the
// operator's close does, and what it keeps is written.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/Waiting.h"

namespace kelvane::test {
namespace {

// True once the process has a handler of its own for the signal.
bool Catches(pid_t AProcess, int ASignal) {
  std::ifstream status("/proc/" + std::to_string(AProcess) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) == 0) {
      const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
      return (mask >> (ASignal - 1) & 1u) != 0;
    }
  }
  return false;
}

TEST(QtProgram, ATerminationSignalClosesTheWindowAsTheOperatorsCloseDoes) {
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    TTempDir dir;
    const pid_t child = fork();
    if (child == 0) {
      setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
      execl(KELVANE_WINDOW_PROGRAM, KELVANE_WINDOW_PROGRAM, static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(WaitUntil([&] { return Catches(child, signal); })) << signal;
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal << ": " << status;
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Quorin" / "Kelvane" / "Kelvane.xml"))
        << "the settings are written at the close";
  }
}

}  // namespace
}  // namespace kelvane::test
