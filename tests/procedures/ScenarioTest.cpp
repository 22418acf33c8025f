// The procedures' scenarios on the simulated control itself. The same table runs through the COM
// path and the registered training driver in the end-to-end tests, with the same expectations.
#include <gtest/gtest.h>

#include "driver/sim/BenchFile.h"
#include "driver/sim/SimTarvik.h"
#include "support/Scenarios.h"
#include "support/TempDir.h"

namespace kelvane::test {
namespace {

class ProcedureScenario : public testing::TestWithParam<size_t> {};

TEST_P(ProcedureScenario, EndsAsExpectedOnTheSimulatedControl) {
  const TScenario& scenario = ProcedureScenarios()[GetParam()];
  const auto bench = ParseBench(ScenarioBench(ScenarioPortXml(GetParam())), scenario.Name);
  TTempDir folder;
  const TScenarioOutcome outcome = RunScenario(
      GetParam(), [&] { return std::make_unique<TSimTarvik>(bench); }, folder.Path());
  EXPECT_EQ(outcome.Calls, scenario.Calls);
  EXPECT_EQ(outcome.Texts, scenario.Texts);
}

INSTANTIATE_TEST_SUITE_P(Table, ProcedureScenario,
                         testing::Range(size_t{0}, ProcedureScenarios().size()),
                         [](const testing::TestParamInfo<size_t>& AInfo) {
                           return ProcedureScenarios()[AInfo.param].Name;
                         });

}  // namespace
}  // namespace kelvane::test
