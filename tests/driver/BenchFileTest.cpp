#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif
#include <filesystem>

#include "driver/sim/BenchFile.h"
#include "support/TempDir.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kelvane::test {
namespace {

struct TBadBench {
  const char* Name;
  const char* Xml;
  const char* Message;
  friend void PrintTo(const TBadBench& c, std::ostream* os) { *os << c.Name; }
};

class BadBenchFile : public testing::TestWithParam<TBadBench> {};

TEST_P(BadBenchFile, NamesTheFileTheLineAndTheProblem) {
  const TBadBench& c = GetParam();
  try {
    ParseBench(c.Xml, "bench.xml");
    FAIL() << "accepted";
  } catch (const EError& e) {
    EXPECT_EQ(e.what(), std::string(c.Message));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Problems, BadBenchFile,
    testing::Values(
        TBadBench{"NotXml", "<bench>\n<port",
                  "bench.xml:2: XML не разобран: Error parsing start element tag"},
        TBadBench{"WrongRoot", "<benches/>",
                  "bench.xml:1: корневой элемент должен называться <bench>"},
        TBadBench{"UnknownElement", "<bench>\n\n<prot/></bench>",
                  "bench.xml:3: неизвестный элемент <prot>"},
        TBadBench{"UnknownAttribute", "<bench>\n<port number='3' name='a' speed='1'/></bench>",
                  "bench.xml:2: неизвестный атрибут speed"},
        TBadBench{"MissingNumber", "<bench><port name='a'/></bench>",
                  "bench.xml:1: нет обязательного атрибута number"},
        TBadBench{"NotANumber",
                  "<bench>\n<port number='3' name='a'>\n<register model='15x' "
                  "serial='1'/></port></bench>",
                  "bench.xml:3: атрибут model: ожидается целое число от -2147483648 до 2147483647, "
                  "а не \"15x\""},
        TBadBench{
            "WrongProtocol",
            "<bench><port number='3' name='a'><register model='154' serial='1' protocols='2'/>"
            "</port></bench>",
            "bench.xml:1: атрибут protocols: ожидается целое число от 0 до 1, а не \"2\""},
        TBadBench{"WrongDate",
                  "<bench><port number='3' name='a'><register model='154' serial='1' "
                  "soft-date='2025-13-01'/></port></bench>",
                  "bench.xml:1: атрибут soft-date: ожидается дата ГГГГ-ММ-ДД или "
                  "ГГГГ-ММ-ДДTчч:мм:сс, а не \"2025-13-01\""},
        TBadBench{"ImpossibleDay",
                  "<bench><port number='3' name='a'><register model='154' serial='1' "
                  "soft-date='2025-02-31'/></port></bench>",
                  "bench.xml:1: атрибут soft-date: ожидается дата ГГГГ-ММ-ДД или "
                  "ГГГГ-ММ-ДДTчч:мм:сс, а не \"2025-02-31\""},
        TBadBench{"FieldsOfTheWrongWidth",
                  "<bench><port number='3' name='a'><register model='154' serial='1' "
                  "clock='2025-1-015'/></port></bench>",
                  "bench.xml:1: атрибут clock: ожидается дата ГГГГ-ММ-ДД или "
                  "ГГГГ-ММ-ДДTчч:мм:сс, а не \"2025-1-015\""},
        TBadBench{"TextInsideAFault",
                  "<bench><port number='3' name='a'><register model='154' serial='1'>\n"
                  "<fault method='WriteTable' code='1'>twice</fault></register></port></bench>",
                  "bench.xml:2: здесь не может быть текста"},
        TBadBench{"ElementInsideAFault",
                  "<bench><port number='3' name='a'><register model='154' serial='1'>\n"
                  "<fault method='WriteTable' code='1'>\n<call/></fault></register></port></bench>",
                  "bench.xml:3: неизвестный элемент <call>"},
        TBadBench{"DisconnectFault",
                  "<bench><port number='3' name='a'><register model='154' serial='1'>\n"
                  "<fault method='Disconnect' code='1'/></register></port></bench>",
                  "bench.xml:2: ошибку метода Disconnect стенд не воспроизводит"},
        TBadBench{"UnknownMethod",
                  "<bench><port number='3' name='a'><register model='154' serial='1'>\n"
                  "<fault method='Explode' code='1'/></register></port></bench>",
                  "bench.xml:2: неизвестный метод драйвера \"Explode\""},
        TBadBench{"PortTwice",
                  "<bench><port number='3' name='a'/>\n<port number='3' name='b'/></bench>",
                  "bench.xml:2: порт 3 описан дважды"}),
    [](const testing::TestParamInfo<TBadBench>& info) { return info.param.Name; });

TEST(BenchFile, LeapDayAndATimeOfDayAreRead) {
  const auto bench = ParseBench(
      "<bench><port number='3' name='a'><register model='154' serial='1' soft-date='2024-02-29' "
      "clock='2025-06-30T23:59:59'/></port></bench>",
      "bench.xml");
  EXPECT_EQ(bench->RegisterAt(3)->Config().Firmware.Date, EncodeDate(2024, 2, 29));
}

TEST(BenchFile, UnreadableFileIsNamed) {
  try {
    LoadBenchFile("/nonexistent/bench.xml");
    FAIL() << "accepted";
  } catch (const EError& e) {
    EXPECT_EQ(e.what(), std::string("/nonexistent/bench.xml:1: не удаётся прочитать файл стенда"));
  }
}

#ifndef _WIN32
// KELVANE_BENCH naming a FIFO without a writer: refused at once, never waited on.
TEST(BenchFile, AFifoIsNoBenchFileAndIsNotWaitedFor) {
  TTempDir dir;
  const std::filesystem::path fifo = dir.Path() / "bench.xml";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(LoadBenchFile(fifo), EError);
}
#endif

TEST(BenchFile, DefaultBenchHasTheDemoPorts) {
  const auto bench = LoadDefaultBench();
  int usbWithRegister = 0;
  for (const TSimPort& port : bench->Ports()) {
    usbWithRegister += port.Register && ToUtf8(port.FriendlyName).find("USB") != std::string::npos;
  }
  EXPECT_EQ(usbWithRegister, 5);
  EXPECT_EQ(bench->RegisterAt(1), nullptr);
  EXPECT_EQ(bench->RegisterAt(4)->Config().Protocols, std::vector<std::int32_t>{0});
  EXPECT_EQ(bench->RegisterAt(5)->Config().Status, 116);
  EXPECT_EQ(bench->RegisterAt(7)->Config().Model, 153);
  EXPECT_EQ(bench->RegisterAt(8), nullptr);
}

}  // namespace
}  // namespace kelvane::test
