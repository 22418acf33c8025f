#include "platform/Error.h"

#include "platform/Text.h"

namespace kelvane {

EError::EError(std::u16string AMessage) : FMessage(std::move(AMessage)), FWhat(ToUtf8(FMessage)) {
}

EAbort::EAbort() = default;

const std::u16string& EAbort::Text() {
  static const std::u16string text = u"Прервано пользователем";
  return text;
}

const char* EAbort::what() const noexcept {
  static const std::string text = ToUtf8(Text());
  return text.c_str();
}

std::u16string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const EAbort& e) {
    return e.Message();
  } catch (const EError& e) {
    return e.Message();
  } catch (const std::exception& e) {
    return FromUtf8(e.what());
  } catch (...) {
    return u"Неизвестная ошибка";
  }
}

}  // namespace kelvane
