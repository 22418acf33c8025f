#pragma once

#include <vector>

#include <QLabel>
#include <QTimer>

namespace kelvane {

// A looping 16 x 16 animation: shown and running while the window is busy, hidden and still
// otherwise.
class TBusyIndicator final : public QLabel {
  Q_OBJECT

 public:
  explicit TBusyIndicator(QWidget* AParent);
  void SetActive(bool AValue);
  bool Active() const { return FTimer.isActive(); }

 private:
  void NextFrame();

  std::vector<QPixmap> FFrames;
  size_t FFrame = 0;
  QTimer FTimer;
};

}  // namespace kelvane
