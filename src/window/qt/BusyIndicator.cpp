#include "window/qt/BusyIndicator.h"

#include "window/qt/Pictures.h"

namespace kelvane {

TBusyIndicator::TBusyIndicator(QWidget* AParent) : QLabel(AParent), FFrames(BusyFrames()) {
  FTimer.setInterval(form::kBusyFrameMs);
  connect(&FTimer, &QTimer::timeout, this, &TBusyIndicator::NextFrame);
  setPixmap(FFrames.front());
  hide();
}

void TBusyIndicator::SetActive(bool AValue) {
  if (AValue == Active()) {
    return;
  }
  if (AValue) {
    FTimer.start();
    show();
  } else {
    FTimer.stop();
    hide();
  }
}

void TBusyIndicator::NextFrame() {
  FFrame = (FFrame + 1) % FFrames.size();
  setPixmap(FFrames[FFrame]);
}

}  // namespace kelvane
