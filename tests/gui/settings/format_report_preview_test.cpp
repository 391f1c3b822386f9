// The Print File Format preview: a modal, maximised dialog at the report's
// printed size, titled and named as the staff know it.
#include "gui/settings/format_report_preview.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>

using namespace marklift;

TEST(FormatReportPreviewTest, ModalMaximisedPreviewAtActualSize) {
    QString title;
    QString documentName;
    bool maximised = false;
    QPrintPreviewWidget::ZoomMode zoomMode = QPrintPreviewWidget::FitInView;
    qreal zoom = 0;
    int pages = 0;
    bool fitting = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        documentName = dialog->printer()->docName();
        maximised = dialog->isMaximized();
        if (auto* view = dialog->findChild<QPrintPreviewWidget*>()) {
            zoomMode = view->zoomMode();
            zoom = view->zoomFactor();
            pages = view->pageCount();
        }
        for (const char* name : {"fitWidthAction", "fitPageAction"})
            if (auto* fit = dialog->findChild<QAction*>(name)) fitting |= fit->isChecked();
        dialog->reject();
    });

    ShowFormatReport(nullptr, 0, {});

    EXPECT_EQ(title, "Response File Format");
    EXPECT_EQ(documentName, "Marklift Report");
    EXPECT_TRUE(maximised);
    EXPECT_EQ(zoomMode, QPrintPreviewWidget::CustomZoom);
    EXPECT_DOUBLE_EQ(zoom, 1.0);
    EXPECT_FALSE(fitting) << "a fit button still shows as chosen";
    EXPECT_EQ(pages, 1);
}
