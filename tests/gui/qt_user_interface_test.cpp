#include "gui/qt_user_interface.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace marklift {
namespace {

// Runs `act` on the modal window the code under test opens next.
void whenModalOpens(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

void press(QMessageBox::StandardButton button) {
    whenModalOpens([button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        ASSERT_NE(box->button(button), nullptr);
        box->button(button)->click();
    });
}

TEST(QtUserInterface, MessageBoxShowsTitleTextIconAndTheButtonsAsked) {
    QtUserInterface ui;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(ui.showMessage("Confirm", "Go on?", MessageIcon::Question, MessageButtons::YesCancel),
              Answer::Yes);
    EXPECT_EQ(title, QStringLiteral("Confirm"));
    EXPECT_EQ(text, QStringLiteral("Go on?"));
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::Cancel);
}

struct ButtonCase {
    MessageButtons buttons;
    QMessageBox::StandardButton pressed;
    Answer expected;
};

TEST(QtUserInterface, AnswerIsTheButtonPressed) {
    const ButtonCase cases[] = {
        {MessageButtons::Ok, QMessageBox::Ok, Answer::Ok},
        {MessageButtons::OkCancel, QMessageBox::Ok, Answer::Ok},
        {MessageButtons::OkCancel, QMessageBox::Cancel, Answer::Cancel},
        {MessageButtons::YesCancel, QMessageBox::Yes, Answer::Yes},
        {MessageButtons::YesCancel, QMessageBox::Cancel, Answer::Cancel},
        {MessageButtons::YesNo, QMessageBox::Yes, Answer::Yes},
        {MessageButtons::YesNo, QMessageBox::No, Answer::No},
    };
    QtUserInterface ui;
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.pressed));
        press(c.pressed);
        EXPECT_EQ(ui.showMessage("t", "x", MessageIcon::Warning, c.buttons), c.expected);
    }
}

TEST(QtUserInterface, ABoxClosedWithoutAButtonAnswersCancel) {
    QtUserInterface ui;
    whenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(ui.showMessage("t", "x", MessageIcon::Question, MessageButtons::YesNo),
              Answer::Cancel);
}

TEST(QtUserInterface, BusyCursorNests) {
    QtUserInterface ui;
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    ui.beginBusy();
    ui.beginBusy();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.endBusy();
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    ui.endBusy();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtNameFilters, TurnsBarSeparatedPairsIntoQtFilters) {
    const struct {
        const char* filter;
        const char* expected;
    } cases[] = {
        {"Text files (*.txt)|*.txt|All files (*.*)|*.*", "Text files (*.txt);;All files (*)"},
        {"Upload files|*.asc", "Upload files (*.asc)"},
        {"Data (*.x)|*.dbf;*.ntx", "Data (*.dbf *.ntx)"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(QtNameFilters(c.filter), QString::fromLatin1(c.expected));
    }
}

TEST(QtUserInterface, SaveDialogTakesTheOptionsAndReturnsTheChosenName) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    QtUserInterface ui;
    FileDialogOptions options;
    options.title = "Save Upload File";
    options.initialDirectory = directory.path().toStdString();
    options.initialFileName = "upload";
    options.defaultExtension = "asc";
    options.filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";

    QString title, suffix;
    QStringList filters;
    bool confirmsOverwrite = true;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        suffix = dialog->defaultSuffix();
        filters = dialog->nameFilters();
        confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        mode = dialog->acceptMode();
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::string chosen = ui.chooseSaveFile(options);
    EXPECT_EQ(title, QStringLiteral("Save Upload File"));
    EXPECT_EQ(suffix, QStringLiteral("asc"));
    EXPECT_EQ(filters,
              QStringList({QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")}));
    EXPECT_FALSE(confirmsOverwrite);
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_EQ(chosen, (directory.path() + QStringLiteral("/upload.asc")).toStdString());
}

TEST(QtUserInterface, CancelledDialogsGiveNothing) {
    QtUserInterface ui;
    whenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(ui.chooseSaveFile({}), "");
    whenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(ui.chooseFolder("/"), "");
}

TEST(QtUserInterface, FolderChooserOffersNoNewFolderAndReturnsTheFolder) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    QtUserInterface ui;
    bool newFolderShown = true;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        QWidget* newFolder = dialog->findChild<QWidget*>(QStringLiteral("newFolderButton"));
        newFolderShown = newFolder && newFolder->isVisible();
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(ui.chooseFolder(directory.path().toStdString()), directory.path().toStdString());
    EXPECT_FALSE(newFolderShown);
}

}  // namespace
}  // namespace marklift
