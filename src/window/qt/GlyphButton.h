#pragma once

#include <QPushButton>

namespace kelvane {

// A push button whose picture stands a fixed margin from its left edge, with the caption centred
// in the room to its right.
class TGlyphButton final : public QPushButton {
  Q_OBJECT

 public:
  static constexpr int kSpacing = 4;

  TGlyphButton(const QIcon& AIcon, const QString& AText, QWidget* AParent);

 protected:
  void paintEvent(QPaintEvent* AEvent) override;
};

}  // namespace kelvane
