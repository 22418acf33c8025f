// Writes demo firmware files in the simulated registers' image format, named as the tool expects
// ("..._<build>.bin"), so that an update on the bench can be tried at once.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "driver/sim/SimFirmware.h"
#include "platform/Text.h"

using namespace kelvane;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kelvane-mkfw OUTPUT BUILD PAYLOAD_BYTES [VERSION [YYYY-MM-DD]] [--raw]\n"
               "  --raw  write the payload alone, without the header the bench registers read\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string arguments[5];
  int count = 0;
  bool raw = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--raw") {
      raw = true;
    } else if (count < 5) {
      arguments[count++] = argv[i];
    } else {
      return Usage();
    }
  }
  if (count < 3) {
    return Usage();
  }
  char* end = nullptr;
  const long build = std::strtol(arguments[1].c_str(), &end, 10);
  if (*end != '\0') {
    return Usage();
  }
  const unsigned long size = std::strtoul(arguments[2].c_str(), &end, 10);
  if (*end != '\0' || size == 0 || size > (512ul << 20)) {
    return Usage();
  }
  TSimFirmwareInfo info;
  info.Build = static_cast<std::int32_t>(build);
  info.Version = FromUtf8(count > 3 ? arguments[3] : "A.5");
  int year = 2026, month = 11, day = 30;
  if (count > 4 && std::sscanf(arguments[4].c_str(), "%d-%d-%d", &year, &month, &day) != 3) {
    return Usage();
  }
  info.Date = EncodeDate(year, month, day);
  std::string image = MakeSimFirmware(info, size, static_cast<std::uint32_t>(build));
  if (raw) {
    image.erase(0, kSimFirmwareHeaderSize);
  }
  std::ofstream file(arguments[0], std::ios::binary);
  file.write(image.data(), static_cast<std::streamsize>(image.size()));
  if (!file) {
    std::fprintf(stderr, "kelvane-mkfw: cannot write %s\n", arguments[0].c_str());
    return 1;
  }
  return 0;
}
