#pragma once

#include "session/Journal.h"

namespace kelvane::test {

// The time in an ISO 8601 text that holds one.
inline TLocalTime IsoTime(std::u16string_view AText) {
  return ParseIsoDateTime(AText).value();
}

// A record with every field filled, among them every kind of text CSV must quote.
inline TJournalRecord SampleRecord(std::u16string ASerial, std::int32_t APort = 3,
                                   std::u16string AStarted = u"2026-12-10T10:00:00+03:00") {
  TJournalRecord record;
  record.ComNumber = APort;
  record.Serial = std::move(ASerial);
  record.DeviceName = u"Тарвик-154Ф";
  TUpdateOutcome& outcome = record.Outcome;
  outcome.VersionBefore = u"A.4.3021 (16.06.2025)";
  outcome.VersionsAfter = {u"A.5.3104 (30.11.2026)", u"A.5.3105 (01.12.2026)"};
  outcome.Result = TUpdateResult::SuccessPrintError;
  outcome.LastStep = TUpdateStep::Receipt;
  outcome.PrintError = u"Нет бумаги";
  outcome.ErrorText = u"Ошибка; \"в кавычках\"\r\nи на второй строке";
  // No time, for an empty text: a record without its start.
  outcome.Started = ParseIsoDateTime(AStarted);
  outcome.Ended = IsoTime(u"2026-12-10T10:00:07+03:00");
  record.Firmware = u"C:\\fw\\demo;3105.bin";
  record.Build = 3105;
  record.Program = u"kelvane-cli";
  record.ProgramVersion = u"1.0.0.6";
  return record;
}

}  // namespace kelvane::test
