#include "gui/program_icon.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>

// Resources of a static library are registered by hand, outside any
// namespace.
static void registerProgramIcon() {
    Q_INIT_RESOURCE(marklift);
}

namespace marklift {

QIcon ProgramIcon() {
    registerProgramIcon();
    QIcon icon;
    // One picture per size, rendered for it from the SVG; QIcon reads the size
    // from each.
    for (const QFileInfo& picture : QDir(QStringLiteral(":/icons")).entryInfoList())
        icon.addFile(picture.filePath());
    return icon;
}

}  // namespace marklift
