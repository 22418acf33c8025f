#pragma once

#include <deque>
#include <optional>

#include <QStringList>

#include "window/WindowDialogs.h"

namespace kelvane::test {

// Answers the window's dialogs as a test tells it to, and keeps what they were shown.
class TScriptedDialogs final : public TWindowDialogs {
 public:
  struct TShownChooser {
    QString Name;
    QString Directory;
    QStringList Filters;
  };
  struct TShownError {
    QString Title;
    QString Text;
  };

  // The next choosers' answers, in order; nothing stands for Cancel.
  void Answer(std::optional<QString> AAnswer) { FAnswers.push_back(std::move(AAnswer)); }

  std::optional<QString> ChooseFile(QWidget*, TFileChooser& AChooser) override {
    Choosers.push_back({AChooser.Name, AChooser.Directory, AChooser.Filters});
    if (FAnswers.empty()) {
      return std::nullopt;
    }
    std::optional<QString> answer = FAnswers.front();
    FAnswers.pop_front();
    return answer;
  }

  void ShowError(QWidget*, const QString& ATitle, const QString& AText) override {
    Errors.push_back({ATitle, AText});
  }

  std::vector<TShownChooser> Choosers;
  std::vector<TShownError> Errors;

 private:
  std::deque<std::optional<QString>> FAnswers;
};

}  // namespace kelvane::test
