#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "procedures/SearchTask.h"
#include "support/BenchScope.h"
#include "support/LocaleFormatsScope.h"
#include "support/Waiting.h"

namespace kelvane::test {
namespace {

constexpr const char* kBench = R"xml(
<bench no-answer-ms="0">
  <port number="1" name="Communications Port (COM1)"/>
  <port number="2" name="USB-SERIAL CH340 (COM2)">
    <register model="154" name="Тарвик-154Ф" serial="P1" protocols="1" version="A.4" build="3021"
              soft-date="2025-06-16"/>
  </port>
  <port number="3" name="USB (COM3)">
    <register model="152" name="Тарвик-152Ф" serial="P0" protocols="0" version="A.3" build="2810"
              soft-date="2024-03-22"/>
  </port>
  <port number="4" name="USB (COM4)">
    <register model="154" serial="S116" status="116" clock="2001-01-01T00:00:00"/>
  </port>
  <port number="5" name="USB (COM5)"><register model="154" serial="S120" status="120"/></port>
  <port number="6" name="USB (COM6)"><register model="154" serial="S121" status="121"/></port>
  <port number="7" name="USB (COM7)">
    <register model="152" serial="M9" mode="9" reset147="1" clock="2001-01-01T00:00:00"/>
  </port>
  <port number="8" name="USB (COM8)"><register model="154" serial="B2" mode="9" reset147="2"/></port>
  <port number="9" name="USB (COM9)"><register model="153" serial="W"/></port>
  <port number="10" name="USB (COM10)">
    <register model="154" serial="F" protocols="1"><fault method="ReadSerialNumber" code="33"/></register>
  </port>
</bench>)xml";

struct TExpected {
  std::u16string Serial;  // empty: the search fails
  std::u16string Text;
  std::int32_t ProtocolType = 1;
};

TEST(SearchOnBench, IdentifiesEveryPortAtTheSameTime) {
  TBenchScope bench(kBench);
  TLocaleFormatsScope formats;
  const std::map<std::int32_t, TExpected> expected = {
      {1, {u"", u"Ошибка: Нет связи: ККТ не отвечает"}},
      {2, {u"P1", u"", 1}},
      {3, {u"P0", u"", 0}},
      {4, {u"S116", u"", 1}},
      {5, {u"S120", u"", 1}},
      {6, {u"S121", u"", 1}},
      {7, {u"M9", u"", 1}},
      {8, {u"", u"Ошибка: ККТ занята, повторите команду"}},
      {9, {u"", u"Ошибка: Неверный номер модели"}},
      {10, {u"", u"Ошибка: Ошибка ККТ, код 33"}},
      {11, {u"", u"Ошибка: COM-порт недоступен"}},
  };
  std::map<std::int32_t, std::unique_ptr<TSearchTask>> searches;
  for (const auto& [port, outcome] : expected) {
    auto search = std::make_unique<TSearchTask>();
    search->SetComNumber(port);
    search->Start();
    searches[port] = std::move(search);
  }
  for (const auto& [port, search] : searches) {
    SCOPED_TRACE("COM" + std::to_string(port));
    ASSERT_TRUE(WaitForEnd(*search));
    const TExpected& outcome = expected.at(port);
    EXPECT_EQ(search->State().Succeded, !outcome.Serial.empty());
    EXPECT_EQ(search->State().Text.Get(), outcome.Text);
    if (!outcome.Serial.empty()) {
      EXPECT_EQ(search->Serial(), outcome.Serial);
      EXPECT_EQ(search->ProtocolType(), outcome.ProtocolType);
    }
  }
  EXPECT_EQ(searches[2]->Version(), u"A.4.3021 (16.06.2025)");
  EXPECT_EQ(searches[2]->DeviceName(), u"Тарвик-154Ф");
  EXPECT_EQ(searches[3]->Version(), u"A.3.2810 (22.03.2024)");
  EXPECT_EQ(searches[3]->DeviceName(), u"Тарвик-152Ф");

  // The recovered registers work normally now, with the workstation's date.
  const TDateTime today = DateOf(Clock()->LocalNow());
  for (const std::int32_t port : {4, 5, 6, 7}) {
    EXPECT_FALSE(bench.Register(port).NeedsRecovery()) << port;
  }
  EXPECT_GE(DateOf(bench.Register(4).ClockNow()), today);
  EXPECT_GE(DateOf(bench.Register(7).ClockNow()), today);
  EXPECT_TRUE(bench.Register(8).NeedsRecovery());
  // A register that answered in protocol 1 was never asked in protocol 0, and the other way round.
  EXPECT_EQ(bench.Register(2).CallCount(TTarvikMethod::GetECRStatus), 2);
  EXPECT_EQ(bench.Register(3).CallCount(TTarvikMethod::GetECRStatus), 2);
}

}  // namespace
}  // namespace kelvane::test
