// Qt's message boxes, cursor and file dialogs behind the UserInterface.
#include "gui/qt_user_interface.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>
#include <QToolButton>

#include "gui/widgets/qt_text.h"
#include "platform/paths.h"

namespace marklift {
namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
            return QMessageBox::Ok;
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesCancel:
            return QMessageBox::Yes | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
    }
    return QMessageBox::Ok;
}

Answer answerFor(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

// The program's paths may still carry backslashes and other letter case.
QString dialogPath(const std::string& path) {
    return path.empty() ? QString() : toQString(nativePath(path));
}

}  // namespace

Answer QtUserInterface::showMessage(const std::string& title, const std::string& text,
                                    MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(qtIcon(icon), toQString(title), toQString(text), qtButtons(buttons),
                    QApplication::activeWindow());
    box.exec();
    // A box closed without a button (Esc, the close box) counts as Cancel.
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? answerFor(box.standardButton(clicked)) : Answer::Cancel;
}

void QtUserInterface::beginBusy() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserInterface::endBusy() {
    QApplication::restoreOverrideCursor();
}

void QtUserInterface::processEvents() {
    QCoreApplication::processEvents();
}

std::string QtUserInterface::chooseSaveFile(const FileDialogOptions& options) {
    QFileDialog dialog(QApplication::activeWindow(), toQString(options.title),
                       dialogPath(options.initialDirectory));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filters = QtNameFilters(options.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(toQString(options.defaultExtension));
    if (!options.initialFileName.empty()) dialog.selectFile(dialogPath(options.initialFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return fromQString(dialog.selectedFiles().constFirst());
}

std::string QtUserInterface::chooseFolder(const std::string& start) {
    QFileDialog dialog(QApplication::activeWindow(), QString(), dialogPath(start));
    dialog.setFileMode(QFileDialog::Directory);
    // Read-only: the chooser picks an existing folder and offers no way to
    // make one. Qt's own dialog still shows its (then disabled) New Folder
    // button, so it goes.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly |
                      QFileDialog::DontUseNativeDialog);
    if (auto* newFolder = dialog.findChild<QToolButton*>(QStringLiteral("newFolderButton")))
        newFolder->hide();
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return fromQString(dialog.selectedFiles().constFirst());
}

QString QtNameFilters(const std::string& filter) {
    const QStringList parts = toQString(filter).split(QLatin1Char('|'));
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingPatterns);
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            patterns << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
        }
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace marklift
