#include "window/qt/QtKeptWindow.h"

#include "platform/Text.h"
#include "window/qt/QtText.h"

namespace kelvane {

TQtKeptWindow::TQtKeptWindow(QMainWindow& AWindow) : FWindow(AWindow) {
}

std::u16string TQtKeptWindow::ObjectName() const {
  return FromQt(FWindow.objectName());
}

QObject* TQtKeptWindow::Control(std::u16string_view AName) const {
  // Controls are looked up by name with its letter case ignored.
  for (QObject* child : FWindow.findChildren<QObject*>()) {
    if (!child->objectName().isEmpty() && SameName(FromQt(child->objectName()), AName)) {
      return child;
    }
  }
  return nullptr;
}

std::optional<QMetaProperty> TQtKeptWindow::Property(QObject& AControl,
                                                     std::u16string_view AName) const {
  const QMetaObject* meta = AControl.metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    if (property.isWritable() && SameName(FromQt(QString::fromLatin1(property.name())), AName)) {
      return property;
    }
  }
  return std::nullopt;
}

std::optional<TKeptProperty> TQtKeptWindow::FindProperty(std::u16string_view AControl,
                                                         std::u16string_view AProperty) const {
  QObject* control = Control(AControl);
  if (control == nullptr) {
    return std::nullopt;
  }
  const std::optional<QMetaProperty> property = Property(*control, AProperty);
  if (!property) {
    return std::nullopt;
  }
  TKeptProperty kept;
  kept.Control = FromQt(control->objectName());
  // Qt declares "text" where the settings file has always said "Text".
  QString name = QString::fromLatin1(property->name());
  name[0] = name[0].toUpper();
  kept.Name = FromQt(name);
  if (property->metaType().id() == QMetaType::Bool) {
    kept.Kind = TKeptProperty::Tick;
  } else if (property->metaType().id() == QMetaType::QString) {
    kept.Kind = TKeptProperty::Text;
  } else {
    return std::nullopt;
  }
  return kept;
}

QVariant TQtKeptWindow::Read(const TKeptProperty& AProperty) const {
  QObject* control = Control(AProperty.Control);
  const auto property = control != nullptr ? Property(*control, AProperty.Name) : std::nullopt;
  return property ? property->read(control) : QVariant();
}

bool TQtKeptWindow::Write(const TKeptProperty& AProperty, const QVariant& AValue) {
  QObject* control = Control(AProperty.Control);
  const auto property = control != nullptr ? Property(*control, AProperty.Name) : std::nullopt;
  return property && property->write(control, AValue);
}

std::u16string TQtKeptWindow::ReadText(const TKeptProperty& AProperty) const {
  return FromQt(Read(AProperty).toString());
}

bool TQtKeptWindow::ReadTick(const TKeptProperty& AProperty) const {
  return Read(AProperty).toBool();
}

bool TQtKeptWindow::WriteText(const TKeptProperty& AProperty, const std::u16string& AValue) {
  return Write(AProperty, ToQt(AValue));
}

bool TQtKeptWindow::WriteTick(const TKeptProperty& AProperty, bool AValue) {
  return Write(AProperty, AValue);
}

std::int32_t TQtKeptWindow::ShowState() const {
  if (FWindow.windowState() & Qt::WindowMinimized) {
    return kShowMinimised;
  }
  return FWindow.windowState() & Qt::WindowMaximized ? kShowMaximised : kShowNormal;
}

void TQtKeptWindow::SetShowState(std::int32_t AShowCmd) {
  Qt::WindowStates state = FWindow.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (AShowCmd == kShowMaximised) {
    state |= Qt::WindowMaximized;
  }
  FWindow.setWindowState(state);
}

void TQtKeptWindow::RequestMinimise() {
  QMetaObject::invokeMethod(&FWindow, &QWidget::showMinimized, Qt::QueuedConnection);
}

bool TQtKeptWindow::ApplicationMinimised() const {
  return FWindow.isMinimized();
}

}  // namespace kelvane
