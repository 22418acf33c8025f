#include "driver/sim/BenchFile.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>
#include <sstream>

#include "platform/DateTime.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

class TBenchParser {
 public:
  TBenchParser(std::string_view AXml, std::string ASourceName)
      : FXml(AXml), FSource(std::move(ASourceName)) {}

  std::shared_ptr<TSimBench> Parse() {
    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer(FXml.data(), FXml.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
      Fail(result.offset, std::string("XML не разобран: ") + result.description());
    }
    const pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != "bench") {
      Fail(root, "корневой элемент должен называться <bench>");
    }
    Allow(root, {"no-answer-ms"});
    const auto noAnswer = Milliseconds(root, "no-answer-ms", 500);
    std::vector<TSimPort> ports;
    std::set<std::int32_t> numbers;
    for (const pugi::xml_node port : ElementChildren(root, "port")) {
      TSimPort simPort = ParsePort(port);
      if (!numbers.insert(simPort.Number).second) {
        Fail(port, "порт " + std::to_string(simPort.Number) + " описан дважды");
      }
      ports.push_back(std::move(simPort));
    }
    return std::make_shared<TSimBench>(std::move(ports), noAnswer);
  }

 private:
  TSimPort ParsePort(pugi::xml_node APort) {
    Allow(APort, {"number", "name"});
    TSimPort port;
    port.Number = Integer(APort, "number", std::nullopt, 0, 255);
    port.FriendlyName = FromUtf8(Required(APort, "name"));
    const auto registers = ElementChildren(APort, "register");
    if (registers.size() > 1) {
      Fail(registers[1], "к порту подключена только одна ККТ");
    }
    if (!registers.empty()) {
      port.Register = std::make_shared<TSimRegister>(ParseRegister(registers[0]));
    }
    return port;
  }

  TSimRegisterConfig ParseRegister(pugi::xml_node ARegister) {
    Allow(ARegister, {"model", "name", "serial", "protocols", "baud-rate", "status", "mode",
                      "reset147", "version", "build", "soft-date", "clock", "exchange-ms",
                      "block-ms", "install-ms", "install-no-answer", "paper-out-at-line"});
    TSimRegisterConfig config;
    config.Model = Integer(ARegister, "model", std::nullopt);
    config.DeviceName = FromUtf8(Optional(ARegister, "name", ""));
    config.Serial = FromUtf8(Required(ARegister, "serial"));
    config.Protocols = Protocols(ARegister);
    config.BaudRate = Integer(ARegister, "baud-rate", 6);
    config.Status = Integer(ARegister, "status", 0);
    config.Mode = Integer(ARegister, "mode", 2);
    config.Reset147 = Integer(ARegister, "reset147", 0, 0, 1000);
    config.Firmware.Version = FromUtf8(Optional(ARegister, "version", "A.4"));
    config.Firmware.Build = Integer(ARegister, "build", 1);
    config.Firmware.Date = Date(ARegister, "soft-date", EncodeDate(2025, 1, 15));
    if (ARegister.attribute("clock")) {
      config.Clock = Date(ARegister, "clock", 0);
    }
    config.ExchangeDelay = Milliseconds(ARegister, "exchange-ms", 0);
    config.BlockDelay = Milliseconds(ARegister, "block-ms", 0);
    config.InstallDelay = Milliseconds(ARegister, "install-ms", 0);
    config.InstallNoAnswer = Boolean(ARegister, "install-no-answer", false);
    config.PaperOutAtLine = Integer(ARegister, "paper-out-at-line", 0, 0, 1'000'000);
    for (const pugi::xml_node fault : ElementChildren(ARegister, "fault")) {
      config.Faults.push_back(ParseFault(fault));
    }
    return config;
  }

  TSimFault ParseFault(pugi::xml_node AFault) {
    Allow(AFault, {"method", "call", "code"});
    TSimFault fault;
    const std::string method = Required(AFault, "method");
    const auto methods = AllMethods();
    const auto found = std::find_if(methods.begin(), methods.end(),
                                    [&](TTarvikMethod m) { return MethodName(m) == method; });
    if (found == methods.end()) {
      Fail(AFault, "неизвестный метод драйвера \"" + method + "\"");
    }
    if (*found == TTarvikMethod::Disconnect) {
      // The register is gone by then; nothing it could answer would reach the tool.
      Fail(AFault, "ошибку метода Disconnect стенд не воспроизводит");
    }
    fault.Method = *found;
    // Nothing may stand inside a fault: it would be taken for part of it and silently ignored.
    ElementChildren(AFault, "");
    fault.Call = Integer(AFault, "call", 1, 1, 1'000'000);
    fault.Code = Integer(AFault, "code", std::nullopt);
    if (fault.Code == 0) {
      Fail(AFault, "код ошибки не может быть 0");
    }
    return fault;
  }

  std::vector<std::int32_t> Protocols(pugi::xml_node ANode) {
    std::string text = Optional(ANode, "protocols", "1");
    std::replace(text.begin(), text.end(), ',', ' ');
    std::istringstream items(text);
    std::vector<std::int32_t> protocols;
    std::string item;
    while (items >> item) {
      protocols.push_back(ToInteger(ANode, "protocols", item, 0, 1));
    }
    if (protocols.empty()) {
      Fail(ANode, "атрибут protocols: нужен хотя бы один тип протокола (0 или 1)");
    }
    return protocols;
  }

  std::vector<pugi::xml_node> ElementChildren(pugi::xml_node AParent, std::string_view AName) {
    std::vector<pugi::xml_node> children;
    for (const pugi::xml_node child : AParent.children()) {
      if (child.type() == pugi::node_comment) {
        continue;
      }
      if (child.type() != pugi::node_element || std::string_view(child.name()) != AName) {
        Fail(child.type() == pugi::node_element ? child : AParent,
             child.type() == pugi::node_element
                 ? "неизвестный элемент <" + std::string(child.name()) + ">"
                 : "здесь не может быть текста");
      }
      children.push_back(child);
    }
    return children;
  }

  void Allow(pugi::xml_node ANode, std::initializer_list<std::string_view> ANames) {
    for (const pugi::xml_attribute attribute : ANode.attributes()) {
      if (std::find(ANames.begin(), ANames.end(), attribute.name()) == ANames.end()) {
        Fail(ANode, "неизвестный атрибут " + std::string(attribute.name()));
      }
    }
  }

  std::string Required(pugi::xml_node ANode, const char* AName) {
    const pugi::xml_attribute attribute = ANode.attribute(AName);
    if (!attribute) {
      Fail(ANode, std::string("нет обязательного атрибута ") + AName);
    }
    return attribute.value();
  }

  std::string Optional(pugi::xml_node ANode, const char* AName, const char* ADefault) {
    const pugi::xml_attribute attribute = ANode.attribute(AName);
    return attribute ? attribute.value() : ADefault;
  }

  std::int32_t Integer(pugi::xml_node ANode, const char* AName,
                       std::optional<std::int32_t> ADefault, std::int64_t AMin = INT32_MIN,
                       std::int64_t AMax = INT32_MAX) {
    if (!ANode.attribute(AName)) {
      if (!ADefault) {
        Fail(ANode, std::string("нет обязательного атрибута ") + AName);
      }
      return *ADefault;
    }
    return ToInteger(ANode, AName, ANode.attribute(AName).value(), AMin, AMax);
  }

  std::int32_t ToInteger(pugi::xml_node ANode, const char* AName, std::string_view AText,
                         std::int64_t AMin, std::int64_t AMax) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(AText.data(), AText.data() + AText.size(), value);
    if (error != std::errc() || end != AText.data() + AText.size() || value < AMin ||
        value > AMax) {
      Fail(ANode, std::string("атрибут ") + AName + ": ожидается целое число от " +
                      std::to_string(AMin) + " до " + std::to_string(AMax) + ", а не \"" +
                      std::string(AText) + "\"");
    }
    return static_cast<std::int32_t>(value);
  }

  std::chrono::milliseconds Milliseconds(pugi::xml_node ANode, const char* AName,
                                         std::int32_t ADefault) {
    return std::chrono::milliseconds(Integer(ANode, AName, ADefault, 0, 600'000));
  }

  bool Boolean(pugi::xml_node ANode, const char* AName, bool ADefault) {
    const std::string text = Optional(ANode, AName, ADefault ? "true" : "false");
    if (text != "true" && text != "false") {
      Fail(ANode,
           std::string("атрибут ") + AName + ": ожидается true или false, а не \"" + text + "\"");
    }
    return text == "true";
  }

  // yyyy-mm-dd, optionally followed by Thh:mm:ss, every field of its full width, the day one
  // that its month has.
  TDateTime Date(pugi::xml_node ANode, const char* AName, TDateTime ADefault) {
    if (!ANode.attribute(AName)) {
      return ADefault;
    }
    const std::string_view text = ANode.attribute(AName).value();
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
    bool wellFormed = text.size() == 10 || text.size() == kShape.size();
    for (size_t i = 0; wellFormed && i < text.size(); ++i) {
      wellFormed = kShape[i] == 'd' ? text[i] >= '0' && text[i] <= '9' : text[i] == kShape[i];
    }
    TDateTimeParts parts;
    if (wellFormed) {
      const auto field = [&](size_t AAt, size_t ALength) {
        int value = 0;
        std::from_chars(text.data() + AAt, text.data() + AAt + ALength, value);
        return value;
      };
      parts.Year = field(0, 4);
      parts.Month = field(5, 2);
      parts.Day = field(8, 2);
      if (text.size() > 10) {
        parts.Hour = field(11, 2);
        parts.Minute = field(14, 2);
        parts.Second = field(17, 2);
      }
    }
    if (!wellFormed || parts.Year < 1900 || parts.Month < 1 || parts.Month > 12 || parts.Day < 1 ||
        parts.Day > DaysInMonth(parts.Year, parts.Month) || parts.Hour > 23 || parts.Minute > 59 ||
        parts.Second > 59) {
      Fail(ANode, std::string("атрибут ") + AName +
                      ": ожидается дата ГГГГ-ММ-ДД или ГГГГ-ММ-ДДTчч:мм:сс, а не \"" +
                      std::string(text) + "\"");
    }
    return EncodeDateTime(parts);
  }

  static int DaysInMonth(int AYear, int AMonth) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (AYear % 4 == 0 && AYear % 100 != 0) || AYear % 400 == 0;
    return AMonth == 2 && leap ? 29 : kDays[AMonth - 1];
  }

  [[noreturn]] void Fail(pugi::xml_node ANode, const std::string& AProblem) {
    Fail(ANode.offset_debug(), AProblem);
  }

  [[noreturn]] void Fail(std::ptrdiff_t AOffset, const std::string& AProblem) {
    const size_t end = AOffset < 0 ? 0 : std::min(static_cast<size_t>(AOffset), FXml.size());
    const auto line = 1 + std::count(FXml.begin(), FXml.begin() + static_cast<long>(end), '\n');
    throw EError(FromUtf8(FSource + ":" + std::to_string(line) + ": " + AProblem));
  }

  std::string_view FXml;
  std::string FSource;
};

}  // namespace

std::shared_ptr<TSimBench> ParseBench(std::string_view AXml, const std::string& ASourceName) {
  return TBenchParser(AXml, ASourceName).Parse();
}

std::shared_ptr<TSimBench> LoadBenchFile(const std::filesystem::path& APath) {
  const std::string name = ToUtf8(APath.u16string());
  // A regular file only, and none that could not be a bench: a FIFO would hold the start.
  constexpr std::uintmax_t kLargestBench = 16u << 20;
  std::string content;
  try {
    content = ReadFileBytes(APath.u16string(), kLargestBench);
  } catch (const EError&) {
    throw EError(FromUtf8(name + ":1: не удаётся прочитать файл стенда"));
  }
  return ParseBench(content, name);
}

std::shared_ptr<TSimBench> LoadDefaultBench() {
  return ParseBench(DefaultBenchXml(), "<встроенный стенд>");
}

}  // namespace kelvane
