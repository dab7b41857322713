// Places a top-level window in the middle of its screen.
#pragma once

#include <QScreen>
#include <QWidget>

namespace tarn::frontend {

inline void CentreOnScreen(QWidget& window) {
  if (const QScreen* screen = window.screen())
    window.move(screen->availableGeometry().center() - window.rect().center());
}

}  // namespace tarn::frontend
