// The bench file reader on any bytes: a bench, or EError naming the line; nothing else.
#include "FuzzInput.h"
#include "driver/sim/BenchFile.h"
#include "platform/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, size_t ASize) {
  try {
    kelvane::ParseBench({reinterpret_cast<const char*>(AData), ASize}, "fuzz");
  } catch (const kelvane::EError&) {
  }
  return 0;
}
