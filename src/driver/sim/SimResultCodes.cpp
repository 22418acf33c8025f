#include "driver/sim/SimResultCodes.h"

#include "platform/Text.h"

namespace kelvane {

std::u16string SimResultDescription(std::int32_t ACode) {
  using namespace sim_result;
  switch (ACode) {
    case Ok:
      return u"Ошибок нет";
    case NoAnswer:
      return u"Нет связи: ККТ не отвечает";
    case PortUnavailable:
      return u"COM-порт недоступен";
    case PaperOut:
      return u"Нет бумаги";
    case ResetRequired:
      return u"Требуется сброс настроек ККТ";
    case SettingsDamaged:
      return u"Настройки ККТ повреждены";
    case ClockReset:
      return u"Сбились часы ККТ";
    case Busy:
      return u"ККТ занята, повторите команду";
    case DateNotConfirmed:
      return u"Дата не подтверждена: она не совпадает с установленной";
    case LoadForbidden:
      return u"Загрузка прошивки запрещена: СКоК включён";
    case WrongFileType:
      return u"Неверный тип загружаемого файла";
    case WrongBlock:
      return u"Неверный блок прошивки";
    case ImageIncomplete:
      return u"Образ прошивки неполон";
    case TablesFileMissing:
      return u"Файл таблиц не найден";
    case TablesFileMalformed:
      return u"Неверный формат файла таблиц";
    case NoSuchTableField:
      return u"Нет такого поля в таблице";
    default:
      return u"Ошибка ККТ, код " + IntToStr(ACode);
  }
}

}  // namespace kelvane
