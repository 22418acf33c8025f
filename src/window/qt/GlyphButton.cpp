#include "window/qt/GlyphButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include "window/MainForm.h"

namespace kelvane {

TGlyphButton::TGlyphButton(const QIcon& AIcon, const QString& AText, QWidget* AParent)
    : QPushButton(AIcon, AText, AParent) {
  setIconSize(QSize(form::kPictureSize, form::kPictureSize));
}

void TGlyphButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  option.icon = QIcon();
  painter.drawControl(QStyle::CE_PushButton, option);

  const QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
  const QPixmap pixmap = icon().pixmap(iconSize(), devicePixelRatioF(), mode);
  const int shift = isDown() ? 1 : 0;
  const QRect glyph(form::kPictureMargin + shift, (height() - iconSize().height()) / 2 + shift,
                    iconSize().width(), iconSize().height());
  painter.drawPixmap(glyph, pixmap);
  const QRect textArea(glyph.right() + 1 + kSpacing, content.top() + shift,
                       width() - glyph.right() - 1 - kSpacing - form::kPictureMargin / 2,
                       content.height());
  painter.drawItemText(textArea, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                       caption, QPalette::ButtonText);
}

}  // namespace kelvane
