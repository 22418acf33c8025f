#include <cstdio>
#include <memory>
#include <vector>

#include "Version.h"
#include "driver/sim/SimBench.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "procedures/SearchTask.h"
#include "tasks/MainThread.h"

using namespace kelvane;

namespace {

void Print(const std::u16string& AText) {
  std::fputs(ToUtf8(AText).c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main() {
  TMainThread& mainThread = TMainThread::Instance();
  mainThread.BindToCurrentThread();
  try {
    UseBenchFromEnvironment();
  } catch (const EError& e) {
    std::fprintf(stderr, "kelvane-console: %s\n", e.what());
    return 2;
  }
  Print(u"Kelvane v." + FromAscii(KELVANE_VERSION_TEXT) + u": поиск ККТ на стенде");

  std::vector<std::unique_ptr<TSearchTask>> searches;
  for (const TSimPort& port : CurrentBench()->Ports()) {
    auto search = std::make_unique<TSearchTask>();
    search->SetComNumber(port.Number);
    search->Start();
    searches.push_back(std::move(search));
  }
  for (const auto& search : searches) {
    mainThread.WaitWhileDraining([&] { return search->State().Finished.load(); });
    const std::u16string port = u"COM" + IntToStr(search->ComNumber()) + u": ";
    if (search->State().Succeded.load()) {
      Print(port + search->Serial() + u", " + search->Version() + u", протокол " +
            IntToStr(search->ProtocolType()) + u", " + search->DeviceName());
    } else {
      Print(port + search->State().Text.Get());
    }
  }
  searches.clear();
  return 0;
}
