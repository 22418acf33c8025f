// Reading and writing a settings file of the size the window keeps.
#include <benchmark/benchmark.h>

#include "window/SettingsFile.h"
#include "window/XmlStorage.h"

namespace kelvane {
namespace {

std::string SettingsBytes() {
  TSettingsDocument document;
  document.Root.Name = u"Configuration";
  TXmlElement& form = document.Root.AddChild(u"fmMain");
  for (int i = 0; i < 12; ++i) {
    form.AddChild(u"Value" + std::u16string(1, static_cast<char16_t>(u'A' + i))).Text =
        u"C:\\Прошивки\\fw & co\\upd_A_4321.bin";
  }
  return WriteSettingsFile(document);
}

void BM_WriteSettings(benchmark::State& AState) {
  const TSettingsDocument document = ParseSettingsFile(SettingsBytes());
  for (auto _ : AState) {
    benchmark::DoNotOptimize(WriteSettingsFile(document));
  }
}
BENCHMARK(BM_WriteSettings);

void BM_ParseSettings(benchmark::State& AState) {
  const std::string bytes = SettingsBytes();
  for (auto _ : AState) {
    benchmark::DoNotOptimize(ParseSettingsFile(bytes));
  }
}
BENCHMARK(BM_ParseSettings);

}  // namespace
}  // namespace kelvane
