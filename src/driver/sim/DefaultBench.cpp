#include "driver/sim/BenchFile.h"

namespace kelvane {

// The demo workstation: registers that answer at once, in the other protocol, after a recovery,
// of a wrong model, and ports with nothing attached. Delays make a search and an update take the
// time they take on real hardware, roughly.
std::string_view DefaultBenchXml() {
  return R"xml(<?xml version="1.0" encoding="UTF-8"?>
<bench no-answer-ms="500">
  <port number="1" name="Communications Port (COM1)"/>
  <port number="3" name="USB-SERIAL CH340 (COM3)">
    <register model="154" name="Тарвик-154Ф" serial="0154000317" protocols="1"
              version="A.4" build="3021" soft-date="2025-06-16"
              exchange-ms="60" block-ms="5" install-ms="1500"/>
  </port>
  <port number="4" name="Silicon Labs CP210x USB to UART Bridge (COM4)">
    <register model="152" name="Тарвик-152Ф" serial="0152000498" protocols="0"
              version="A.4" build="2987" soft-date="2024-11-05"
              exchange-ms="60" block-ms="5" install-ms="1500"/>
  </port>
  <port number="5" name="USB Serial Device (COM5)">
    <register model="154" name="Тарвик-154Ф" serial="0154000562" protocols="1" status="116"
              version="A.3" build="2810" soft-date="2024-03-22"
              exchange-ms="60" block-ms="5" install-ms="1500" paper-out-at-line="8"/>
  </port>
  <port number="6" name="USB Serial Port (COM6)">
    <register model="152" name="Тарвик-152Ф" serial="0152000733" protocols="1" mode="9"
              reset147="1" version="A.4" build="3021" soft-date="2025-06-16"
              exchange-ms="60" block-ms="5" install-ms="1500"/>
  </port>
  <port number="7" name="Prolific USB-to-Serial Comm Port (COM7)">
    <register model="153" name="Тарвик-153Ф" serial="0153000101" protocols="1"
              exchange-ms="60"/>
  </port>
  <port number="8" name="USB-SERIAL CH340 (COM8)"/>
  <port number="9" name="ECP Printer Port (LPT1)"/>
</bench>
)xml";
}

}  // namespace kelvane
