#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>

#include "cli/Report.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

// "3,5" or "COM3, com5": the port numbers.
std::vector<std::int32_t> PortList(const std::string& AText) {
  std::vector<std::int32_t> ports;
  for (std::string item : CLI::detail::split(AText, ',')) {
    item = CLI::detail::trim_copy(item);
    if (item.size() > 3 && (item[0] == 'C' || item[0] == 'c') &&
        (item[1] == 'O' || item[1] == 'o') && (item[2] == 'M' || item[2] == 'm')) {
      item = item.substr(3);
    }
    const std::optional<std::int32_t> number = StrToInt(FromUtf8(item));
    if (!number || *number < 0 || item.empty() || item[0] == ' ' || item[0] == '-' ||
        item[0] == '+') {
      throw ECliUsage(u"--ports: ожидается список портов вида 3,5 или COM3,COM5, а не \"" +
                      FromUtf8(AText) + u"\"");
    }
    ports.push_back(*number);
  }
  return ports;
}

std::vector<std::u16string> SerialList(const std::string& AText) {
  std::vector<std::u16string> serials;
  for (const std::string& item : CLI::detail::split(AText, ',')) {
    const std::string serial = CLI::detail::trim_copy(item);
    if (serial.empty()) {
      throw ECliUsage(u"--serials: пустой заводской номер в \"" + FromUtf8(AText) + u"\"");
    }
    serials.push_back(FromUtf8(serial));
  }
  return serials;
}

}  // namespace

TCliCommand ParseCliArguments(const std::vector<std::string>& AArguments) {
  CLI::App app{"Обновление прошивки ККТ Тарвик 152 и 154 из командной строки", "kelvane-cli"};
  app.set_version_flag("--version", "kelvane-cli");
  app.require_subcommand(1);
  CLI::App* search = app.add_subcommand("search", "найти ККТ на всех USB-портах");
  CLI::App* update = app.add_subcommand("update", "найти ККТ и обновить выбранные одновременно");
  std::string firmware;
  std::string tables;
  std::string ports;
  std::string serials;
  std::string report;
  update->add_option("FIRMWARE", firmware, "файл прошивки")->required();
  update->add_option("--tables", tables, "файл таблиц, записываемый после обновления");
  update->add_option("--ports", ports, "только эти порты: 3,5 или COM3,COM5");
  update->add_option("--serials", serials, "только ККТ с этими заводскими номерами");
  update->add_option("--report", report, "отчёт о каждой ККТ: файл .csv или .json");

  std::vector<const char*> argv = {"kelvane-cli"};
  for (const std::string& argument : AArguments) {
    argv.push_back(argument.c_str());
  }
  TCliCommand command;
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::CallForHelp&) {
    command.Kind = TCliCommand::Help;
    command.Text = app.help();
    return command;
  } catch (const CLI::CallForVersion&) {
    command.Kind = TCliCommand::Version;
    return command;
  } catch (const CLI::ParseError& e) {
    throw ECliUsage(FromUtf8(e.what()));
  }
  if (search->parsed()) {
    return command;
  }
  command.Kind = TCliCommand::Update;
  command.Choice.Firmware = FromUtf8(firmware);
  if (update->count("--tables") > 0) {
    command.Choice.Tables = FromUtf8(tables);
  }
  if (update->count("--ports") > 0) {
    command.Choice.Ports = PortList(ports);
  }
  if (update->count("--serials") > 0) {
    command.Choice.Serials = SerialList(serials);
  }
  if (update->count("--report") > 0) {
    command.Report = FromUtf8(report);
    if (!IsReportName(*command.Report)) {
      throw ECliUsage(u"--report: отчёт пишется в файл .csv или .json, а не \"" + *command.Report +
                      u"\"");
    }
  }
  return command;
}

}  // namespace kelvane
