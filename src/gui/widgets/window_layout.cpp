#include "gui/widgets/window_layout.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace marklift {

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) window.move(screen->availableGeometry().center() - window.rect().center());
}

void UseCompactDialogFont(QWidget& window) {
    QFont compact = window.font();
    compact.setPointSizeF(std::min(compact.pointSizeF(), 8.5));
    window.setFont(compact);
}

}  // namespace marklift
