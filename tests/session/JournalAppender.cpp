// Appends journal records as fast as it can, for the tests of several processes appending at
// once and of one killed midway: journal_appender FOLDER TAG COUNT (0: until it is killed).
// Record N has the serial TAG and the device name N; each has every kind of field CSV quotes.
#include <string>

#include "platform/CommandLine.h"
#include "platform/Text.h"
#include "session/Journal.h"
#include "session/JournalSample.h"

using namespace kelvane;

int main(int argc, char** argv) {
  const std::vector<std::u16string> arguments = CommandLineArguments(argc, argv);
  if (arguments.size() != 3) {
    return 3;
  }
  const TJournal journal(arguments[0]);
  const std::int64_t count = StrToInt64(arguments[2]).value_or(1);
  TJournalRecord record = test::SampleRecord(arguments[1]);
  for (std::int64_t i = 0; count == 0 || i < count; ++i) {
    record.DeviceName = IntToStr(i);
    journal.Append(record);
  }
  return 0;
}
