#pragma once

#include <memory>
#include <string>
#include <vector>

namespace kelvane::test {

// A program of the build, beside the running test program, run as a process of its own: for the
// tests of what several processes do at once, or of one that dies midway.
class TChildProcess {
 public:
  // AProgram: the name without the system's extension.
  TChildProcess(const std::string& AProgram, const std::vector<std::u16string>& AArguments);
  // Kills it when it still runs.
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  bool Started() const;
  // Ends it at once, wherever it is, as a crash would.
  void Kill();
  // Waits for its end; its exit status (a killed one's is not 0).
  int Wait();

 private:
  struct TProcess;
  std::unique_ptr<TProcess> FProcess;
  bool FEnded = false;
};

}  // namespace kelvane::test
