// The simulated register's rules for the blocks of an image, which the update relies on.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "driver/sim/SimResultCodes.h"
#include "platform/CodePage.h"
#include "support/BenchScope.h"

namespace kelvane::test {
namespace {

struct TBlocksCase {
  const char* Name;
  // Block numbers with the letter each block's bytes repeat, and their lengths.
  std::vector<std::pair<std::int32_t, std::string>> Blocks;
  std::int32_t LoadResult;  // of the last block
  std::int32_t InstallResult;
  std::string Installed;  // what the register holds after the install, when it succeeds
};

std::string Full(char ALetter) {
  return std::string(128, ALetter);
}

class SimBlocks : public testing::TestWithParam<TBlocksCase> {};
void PrintTo(const TBlocksCase& ACase, std::ostream* AOut) {
  *AOut << ACase.Name;
}

TEST_P(SimBlocks, InstallTakesBlocksFromZeroWithOnlyTheLastShort) {
  TBenchScope bench(
      "<bench><port number='1' name='USB (COM1)'><register model='154' "
      "serial='S'/></port></bench>");
  TSimRegister& simRegister = bench.Register(1);
  TSimProperties props;
  props.Set(TTarvikProperty::TableNumber, 23);
  props.Set(TTarvikProperty::RowNumber, 1);
  props.Set(TTarvikProperty::FieldNumber, 1);
  props.Set(TTarvikProperty::ValueOfFieldInteger, 0);
  ASSERT_EQ(simRegister.Execute(TTarvikMethod::WriteTable, props), sim_result::Ok);
  props.Set(TTarvikProperty::FileType, 1);
  std::int32_t result = sim_result::Ok;
  for (const auto& [number, bytes] : GetParam().Blocks) {
    props.Set(TTarvikProperty::BlockNumber, number);
    props.Set(TTarvikProperty::BlockData, AnsiToUnicode(bytes));
    result = simRegister.Execute(TTarvikMethod::LoadBlockOnSDCard, props);
  }
  EXPECT_EQ(result, GetParam().LoadResult);
  props.Set(TTarvikProperty::BlockData, std::u16string());
  EXPECT_EQ(simRegister.Execute(TTarvikMethod::LoadBlockOnSDCard, props), GetParam().InstallResult);
  EXPECT_TRUE(simRegister.InstalledImage() == GetParam().Installed);
  // Nothing of a refused image is left for the next one.
  props.Set(TTarvikProperty::BlockNumber, 0);
  props.Set(TTarvikProperty::BlockData, u"z");
  simRegister.Execute(TTarvikMethod::LoadBlockOnSDCard, props);
  props.Set(TTarvikProperty::BlockData, std::u16string());
  EXPECT_EQ(simRegister.Execute(TTarvikMethod::LoadBlockOnSDCard, props), sim_result::Ok);
  EXPECT_EQ(simRegister.InstalledImage(), "z");
}

using sim_result::ImageIncomplete;
using sim_result::Ok;
using sim_result::WrongBlock;

INSTANTIATE_TEST_SUITE_P(
    Orders, SimBlocks,
    testing::Values(
        TBlocksCase{"InOrder",
                    {{0, Full('a')}, {1, Full('b')}, {2, "cc"}},
                    Ok,
                    Ok,
                    Full('a') + Full('b') + "cc"},
        TBlocksCase{"AnyOrder",
                    {{2, "c"}, {0, Full('a')}, {1, Full('b')}},
                    Ok,
                    Ok,
                    Full('a') + Full('b') + "c"},
        TBlocksCase{"ResentBlockReplacesTheFirst",
                    {{0, Full('a')}, {1, Full('b')}, {1, "x"}},
                    Ok,
                    Ok,
                    Full('a') + "x"},
        TBlocksCase{"AGap", {{0, Full('a')}, {2, Full('c')}}, Ok, ImageIncomplete, ""},
        TBlocksCase{"NoBlockZero", {{1, Full('b')}}, Ok, ImageIncomplete, ""},
        TBlocksCase{
            "AShortBlockBeforeTheLast", {{0, "a"}, {1, Full('b')}}, Ok, ImageIncomplete, ""},
        TBlocksCase{"NoBlocks", {}, Ok, ImageIncomplete, ""},
        TBlocksCase{"ANumberBeyondTheCard", {{0, "a"}, {INT32_MAX, "b"}}, WrongBlock, Ok, "a"},
        TBlocksCase{"ANegativeNumber", {{0, "a"}, {-1, "b"}}, WrongBlock, Ok, "a"},
        TBlocksCase{
            "ABlockTooLong", {{0, std::string(129, 'a')}}, WrongBlock, ImageIncomplete, ""}),
    [](const testing::TestParamInfo<TBlocksCase>& AInfo) { return AInfo.param.Name; });

}  // namespace
}  // namespace kelvane::test
