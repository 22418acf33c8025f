#include "cli/CliArguments.h"

#include <algorithm>

#include "cli/Report.h"
#include "cli/Workbook.h"
#include "discovery/USBUtils.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace kelvane {

namespace {

// An item as an error names it: whole when short, its start when it is long.
std::u16string Quoted(std::u16string_view AItem) {
  constexpr size_t kShown = 40;
  return u"«" + std::u16string(AItem.substr(0, kShown)) + (AItem.size() > kShown ? u"…" : u"") +
         u"»";
}

std::vector<std::u16string> Items(std::u16string_view AText) {
  std::vector<std::u16string> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = AText.find(u',', start);
    items.push_back(Trimmed(AText.substr(start, comma - start), u" \t"));
    if (comma == std::u16string_view::npos) {
      return items;
    }
    start = comma + 1;
  }
}

// "3,5" or "COM3, com5": the port numbers.
std::vector<std::int32_t> PortList(std::u16string_view AText) {
  std::vector<std::int32_t> ports;
  for (const std::u16string& item : Items(AText)) {
    const bool plain =
        !item.empty() && item.find_first_not_of(u"0123456789") == std::u16string::npos;
    const std::optional<std::int32_t> number = plain ? StrToInt(item) : ComNumberOfName(item);
    if (!number) {
      throw ECliUsage(u"--ports: " + Quoted(item) +
                      u" — не номер порта; ожидается список вида 3,5 или COM3,COM5");
    }
    ports.push_back(*number);
  }
  return ports;
}

std::vector<std::u16string> SerialList(std::u16string_view AText) {
  std::vector<std::u16string> serials = Items(AText);
  for (const std::u16string& serial : serials) {
    if (serial.empty()) {
      throw ECliUsage(u"--serials: пустой заводской номер в списке");
    }
  }
  return serials;
}

// An option: the commands that take it, and whether it stands alone or takes a value.
struct TOptionRule {
  std::u16string_view Name;
  std::u16string_view Commands;
  bool Flag;
};

constexpr TOptionRule kOptions[] = {
    {u"--json", u"search journal", true},   {u"--dry-run", u"update", true},
    {u"--allow-build-0", u"update", true},  {u"--tables", u"update", false},
    {u"--ports", u"update", false},         {u"--serials", u"update", false},
    {u"--report", u"update", false},        {u"--since", u"journal", false},
    {u"--serial", u"journal", false},       {u"--xlsx", u"journal", false},
};

// The option of that name that the command takes; raises ECliUsage for any other.
const TOptionRule& OptionOf(const std::u16string& ACommand, const std::u16string& AOption) {
  for (const TOptionRule& rule : kOptions) {
    if (rule.Name == AOption && rule.Commands.find(ACommand) != std::u16string_view::npos) {
      return rule;
    }
  }
  throw ECliUsage(u"неизвестный параметр " + Quoted(AOption) + u" команды " + ACommand);
}

// The command's name, the first argument: raises ECliUsage for anything else.
std::u16string CommandName(const std::u16string& AArgument) {
  if (AArgument != u"search" && AArgument != u"update" && AArgument != u"journal") {
    throw ECliUsage(AArgument.starts_with(u"-")
                        ? u"сначала команда: search, update или journal, а не " +
                              Quoted(AArgument)
                        : u"неизвестная команда " + Quoted(AArgument) +
                              u": ожидается search, update или journal");
  }
  return AArgument;
}

void SetFlag(TCliCommand& ACommand, const std::u16string& AOption) {
  (AOption == u"--json"      ? ACommand.Json
   : AOption == u"--dry-run" ? ACommand.DryRun
                             : ACommand.AllowBuild0) = true;
}

void SetValue(TCliCommand& ACommand, const std::u16string& AOption, const std::u16string& AValue) {
  if (AOption == u"--tables") {
    ACommand.Choice.Tables = AValue;
  } else if (AOption == u"--ports") {
    ACommand.Choice.Ports = PortList(AValue);
  } else if (AOption == u"--serials") {
    ACommand.Choice.Serials = SerialList(AValue);
  } else if (AOption == u"--since") {
    ACommand.Since = ParseIsoDate(AValue);
    if (!ACommand.Since) {
      throw ECliUsage(u"--since: " + Quoted(AValue) + u" — не дата; ожидается ГГГГ-ММ-ДД");
    }
  } else if (AOption == u"--serial") {
    if (AValue.empty()) {
      throw ECliUsage(u"--serial: пустой заводской номер");
    }
    ACommand.Serial = AValue;
  } else if (AOption == u"--xlsx") {
    if (!HasExtension(AValue, kWorkbookExtension)) {
      throw ECliUsage(u"--xlsx: книга пишется в файл .xlsx, а не " + Quoted(AValue));
    }
    ACommand.Workbook = AValue;
  } else if (!IsReportName(AValue)) {
    throw ECliUsage(u"--report: отчёт пишется в файл .csv, .json или .xlsx, а не " +
                    Quoted(AValue));
  } else {
    ACommand.Report = AValue;
  }
}

// What the command's name and its arguments come to once every option is read.
void Finish(TCliCommand& ACommand, const std::optional<std::u16string>& AName,
            const std::optional<std::u16string>& AFirmware) {
  if (!AName) {
    throw ECliUsage(u"не указана команда: search, update или journal");
  }
  if (*AName == u"journal") {
    ACommand.Kind = TCliCommand::Journal;
    if (ACommand.Json && ACommand.Workbook) {
      throw ECliUsage(u"--json и --xlsx вместе: записи идут или в JSON, или в книгу");
    }
  }
  if (*AName == u"update") {
    if (!AFirmware) {
      throw ECliUsage(u"не указан файл прошивки: kelvane-cli update ПРОШИВКА");
    }
    ACommand.Kind = TCliCommand::Update;
    ACommand.Choice.Firmware = *AFirmware;
  }
}

}  // namespace

TCliCommand ParseCliArguments(const std::vector<std::u16string>& AArguments) {
  TCliCommand command;
  std::optional<std::u16string> name;
  std::optional<std::u16string> firmware;
  std::vector<std::u16string> seen;
  for (size_t i = 0; i < AArguments.size(); ++i) {
    const std::u16string& argument = AArguments[i];
    if (argument == u"--help" || argument == u"-h" || argument == u"/?") {
      command.Kind = TCliCommand::Help;
      return command;
    }
    if (argument == u"--version") {
      command.Kind = TCliCommand::Version;
      return command;
    }
    if (!name) {
      name = CommandName(argument);
      continue;
    }
    if (!argument.starts_with(u"--")) {
      if (*name == u"update" && !firmware) {
        firmware = argument;
        continue;
      }
      throw ECliUsage(u"лишний аргумент " + Quoted(argument));
    }
    // "--option value" or "--option=value".
    const size_t equals = argument.find(u'=');
    const std::u16string option = argument.substr(0, equals);
    const TOptionRule& rule = OptionOf(*name, option);
    if (std::find(seen.begin(), seen.end(), option) != seen.end()) {
      throw ECliUsage(u"параметр " + option + u" указан дважды");
    }
    seen.push_back(option);
    if (rule.Flag) {
      if (equals != std::u16string::npos) {
        throw ECliUsage(u"параметр " + option + u" не принимает значения");
      }
      SetFlag(command, option);
    } else if (equals != std::u16string::npos) {
      SetValue(command, option, argument.substr(equals + 1));
    } else if (i + 1 < AArguments.size()) {
      SetValue(command, option, AArguments[++i]);
    } else {
      throw ECliUsage(u"у параметра " + option + u" нет значения");
    }
  }
  Finish(command, name, firmware);
  return command;
}

std::string CliHelpText() {
  return R"(kelvane-cli — поиск ККТ Тарвик 152 и 154 на всех USB-портах и обновление их прошивки,
всех выбранных одновременно, с отчётом о каждом порте.

Использование:
  kelvane-cli search [--json]
  kelvane-cli update ПРОШИВКА [--tables ФАЙЛ] [--ports 3,COM5] [--serials 0154000317,...]
                     [--report ОТЧЁТ.csv | ОТЧЁТ.json | ОТЧЁТ.xlsx] [--dry-run]
                     [--allow-build-0]
  kelvane-cli journal [--since ГГГГ-ММ-ДД] [--serial НОМЕР] [--json | --xlsx КНИГА.xlsx]
  kelvane-cli --help | --version

Команды:
  search            найти ККТ и показать каждый USB-порт: ККТ на нём или причину, почему её нет;
                    ККТ, которая требует восстановления, как и при поиске в окне, получает
                    сброс настроек и дату и время компьютера
  update            найти ККТ и обновить выбранные (без --ports и --serials — все найденные)
  journal           показать журнал обновлений: каждое обновление из окна и из kelvane-cli;
                    обновление, во время которого программа завершилась, — interrupted

Параметры:
  --json            (search) порты в JSON; (journal) записи в JSON
  --tables ФАЙЛ     после проверки версии записать в ККТ таблицы из файла
  --ports СПИСОК    только ККТ на этих портах: 3,5 или COM3,COM5
  --serials СПИСОК  только ККТ с этими заводскими номерами
  --report ФАЙЛ     отчёт о каждом порте: .csv (UTF-8, поля через «;»), .json или .xlsx
                    (книга для электронной таблицы: у каждой ячейки свой тип)
  --dry-run         найти ККТ, проверить файлы и показать, что было бы обновлено; ни одна ККТ
                    не меняется: требующая восстановления только названа такой
  --allow-build-0   принять прошивку, в имени которой нет номера сборки (сборка 0)
  --since ДАТА      (journal) только обновления, закончившиеся (прерванные — начатые) в этот
                    день или позже
  --serial НОМЕР    (journal) только обновления ККТ с этим заводским номером
  --xlsx ФАЙЛ       (journal) записи в книгу .xlsx, а не на экран

Файлы прошивки и таблиц и путь отчёта проверяются до того, как тронута хотя бы одна ККТ.
Ctrl+C просит каждую ККТ остановиться в ближайшей точке остановки; отчёт всё равно пишется.
Закрытие консоли, выход из системы или завершение работы Windows: отчёт и журнал пишутся сразу.

Коды завершения:
  0    все выбранные ККТ обновлены и напечатали чек
  1    все выбранные ККТ обновлены, но не все напечатали чек
  2    обновление хотя бы одной ККТ не удалось
  3    неверные аргументы или файлы, нет драйвера ККТ: ни одна ККТ не тронута
  4    нечего делать: ККТ не найдены, или запрошенный порт или номер не найден (ни одна ККТ
       не тронута)
  5    отчёт, журнал или вывод не удалось записать, журнал — прочитать (месяц не прочитан или
       записи не прошли проверку)
  130  прервано оператором (Ctrl+C)

Примеры:
  kelvane-cli update demo_3105.bin --ports 3,5 --report report.csv
  kelvane-cli update fw_3106.bin --serials 0154000317 --tables tables.csv --dry-run

Переменная среды KELVANE_BENCH: XML-файл стенда-имитации вместо встроенного (сборка на
имитации и учебный драйвер).
)";
}

}  // namespace kelvane
