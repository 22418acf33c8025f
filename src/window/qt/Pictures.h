#pragma once

#include <vector>

#include <QIcon>
#include <QPixmap>

#include "window/MainForm.h"

namespace kelvane {

// The window's pictures, drawn here: 16 x 16, dark grey; the disabled state faded and grey.
QIcon Picture(form::TPicture APicture);
// The busy animation: 8 frames, shown 100 ms each, looping.
std::vector<QPixmap> BusyFrames();

}  // namespace kelvane
