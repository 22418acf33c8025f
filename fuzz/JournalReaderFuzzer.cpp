// The journal reader on any bytes: the whole records found, each of which writes back to a line
// that reads as the same record; nothing else.
#include "FuzzInput.h"
#include "session/Journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, size_t ASize) {
  const std::vector<kelvane::TJournalRecord> records =
      kelvane::ParseJournal({reinterpret_cast<const char*>(AData), ASize});
  for (const kelvane::TJournalRecord& record : records) {
    const std::vector<kelvane::TJournalRecord> again =
        kelvane::ParseJournal(kelvane::JournalLine(record));
    if (again.size() != 1 || !(again[0] == record)) {
      kelvane::fuzz::Fail("a record read does not read back as itself");
    }
  }
  return 0;
}
