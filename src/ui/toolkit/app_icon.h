#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace pelko {

// Pelko's icon (a camera), drawn at the usual icon sizes; the tray and the windows use it.
QIcon pelkoIcon();

// The tray icon while a delayed capture waits: the seconds left on a round badge.
QIcon countdownIcon(int secondsLeft);

// The About box's banner: the icon and the program's name on a gradient.
QPixmap aboutBanner(int width, int height);

}  // namespace pelko
