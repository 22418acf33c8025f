#pragma once

#include <exception>
#include <string>

namespace kelvane {

// Every error of the tool: a UTF-16 message the operator reads.
class EError : public std::exception {
 public:
  explicit EError(std::u16string AMessage);
  const std::u16string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  std::u16string FMessage;
  std::string FWhat;
};

// The stop request. Deliberately not an EError, so that only code that means to catch a stop does.
class EAbort : public std::exception {
 public:
  EAbort();
  static const std::u16string& Text();
  const std::u16string& Message() const noexcept { return Text(); }
  const char* what() const noexcept override;
};

// The message of the exception being handled: ours, the standard library's, or a generic text.
std::u16string CurrentExceptionMessage();

}  // namespace kelvane
