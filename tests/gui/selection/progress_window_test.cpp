// TProgressWindow on Qt's offscreen platform: its fixed layout and texts,
// and what BeginProgress and UpdateProgress show.
#include "gui/selection/progress_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QScreen>

#include "core/config/clock.h"
#include "core/upload/csv_export.h"
#include "support/export_test_support.h"
#include "support/qt_application.h"
#include "support/temp_directory.h"
#include "tables/xbase_table.h"

using namespace marklift;

namespace {

QApplication& application() {
    return marklift::testing::TestApplication();
}

class ProgressWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    static QLabel* label(const TProgressWindow& window, const char* name) {
        QLabel* found = window.findChild<QLabel*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QString text(const TProgressWindow& window, const char* name) {
        QLabel* found = label(window, name);
        return found ? found->text() : QString();
    }
    static QProgressBar* bar(const TProgressWindow& window) {
        return window.findChild<QProgressBar*>("ProgressBar");
    }

    FakeClock clock{LocalDateTime{Date::fromYmd(2024, 3, 15), 10, 0, 0, 0}};
};

TEST_F(ProgressWindowTest, ANewWindowIsAFixedCentredAlwaysOnTopDialogWithItsLabels) {
    TProgressWindow window(clock);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Progress");
    EXPECT_EQ(window.size(), QSize(330, 151));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    // Centred up to the window frame, which is known only once shown.
    const QPoint offCentre = window.frameGeometry().center() -
                             QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 8);

    const struct {
        const char* caption;
        const char* captionText;
        const char* value;
        int top;
    } rows[] = {
        {"Label1", "File:", "lbFile", 12},    {"Label2", "Records:", "lbRecords", 32},
        {"Label3", "Bytes:", "lbBytes", 52},  {"Label4", "Time:", "lbTime", 72},
        {"Label5", "Progress:", nullptr, 92},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        QLabel* caption = label(window, row.caption);
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->text(), row.captionText);
        // At left 12, 45 wide, unless the font needs more room on the left.
        EXPECT_EQ(caption->y(), row.top);
        EXPECT_EQ(caption->x() + caption->width(), 12 + 45);
        EXPECT_GE(caption->width(), 45);
        EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()), caption->width());
        EXPECT_TRUE(caption->alignment() & Qt::AlignRight);
        if (row.value) {
            QLabel* value = label(window, row.value);
            ASSERT_NE(value, nullptr);
            EXPECT_EQ(value->text(), "?");
            EXPECT_EQ(value->geometry().topLeft(), QPoint(72, row.top));
        }
    }
    ASSERT_NE(bar(window), nullptr);
    EXPECT_EQ(bar(window)->geometry().topLeft(), QPoint(72, 92));
    EXPECT_EQ(bar(window)->width(), 213);
    EXPECT_EQ(text(window, "lbPercentage"), "0%");
    EXPECT_EQ(label(window, "lbPercentage")->geometry().topLeft(), QPoint(292, 92));
}

TEST_F(ProgressWindowTest, BeginProgressShowsTheStartOfARun) {
    TProgressWindow window(clock);
    window.BeginProgress(1000, "C:\\UPLOAD\\BANNER.ASC");
    EXPECT_EQ(window.windowTitle(), "Export Progress");
    EXPECT_EQ(text(window, "lbFile"), "C:\\UPLOAD\\BANNER.ASC");
    EXPECT_EQ(text(window, "lbRecords"), "0 of 1000");
    EXPECT_EQ(text(window, "lbBytes"), "0K written");
    EXPECT_EQ(text(window, "lbTime"), "00:00:00 remaining");
    EXPECT_EQ(text(window, "lbPercentage"), "0%");
    EXPECT_EQ(bar(window)->minimum(), 0);
    EXPECT_EQ(bar(window)->maximum(), 1000);
    EXPECT_EQ(bar(window)->value(), 0);
}

TEST_F(ProgressWindowTest, UpdateProgressShowsCountsRateTimeToGoAndShareDone) {
    TProgressWindow window(clock);
    clock.set({Date::fromYmd(2024, 3, 15), 10, 0, 5, 0});
    window.BeginProgress(1000, "UPLOAD.ASC");  // the run's clock starts here, not at creation
    clock.set({Date::fromYmd(2024, 3, 15), 10, 0, 15, 400});
    window.UpdateProgress(250, 1536000);
    EXPECT_EQ(text(window, "lbRecords"), "250 of 1000 records");
    EXPECT_EQ(text(window, "lbBytes"), "1,500.0K written (150.0K/s)");
    EXPECT_EQ(text(window, "lbTime"), "00:00:31 remaining");
    EXPECT_EQ(text(window, "lbPercentage"), "25%");
    EXPECT_EQ(bar(window)->value(), 250);

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    window.UpdateProgress(500, 1536000);
    EXPECT_EQ(text(window, "lbBytes"), "1.500,0K written (150,0K/s)");
}

// The progress windows now on screen.
std::vector<TProgressWindow*> progressWindows() {
    std::vector<TProgressWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<TProgressWindow*>(widget)) windows.push_back(window);
    return windows;
}

TEST_F(ProgressWindowTest, TheWritersWindowShowsDuringARunAndIsGoneAfterIt) {
    marklift::testing::TempDirectory scratch;
    XbaseTable::CreateTable(scratch.dir() + "NAMES.dbf", "NAME,C,6,0;");
    XbaseTable table;
    table.SetDatabaseName(scratch.dir());
    table.SetTableName("NAMES");
    table.Open();
    for (const char* name : {"AB", "CD"}) {
        table.Append();
        table.SetText("NAME", name);
        table.Post();
    }
    TCSVExport writer;
    writer.SetDataSet(&table);
    writer.SetOutputFile(scratch.dir() + "OUT.TXT");
    writer.SetShowProgress(true);
    writer.SetProgressFactory([this] { return std::make_unique<TProgressWindow>(clock); });
    std::vector<QString> shown;
    writer.SetOnExportRecord([&](TCSVExport&, std::int64_t, std::int64_t) {
        for (TProgressWindow* window : progressWindows())
            if (window->isVisible()) shown.push_back(window->windowTitle());
    });

    EXPECT_EQ(writer.Execute(), 2);
    EXPECT_EQ(shown, (std::vector<QString>{"Export Progress", "Export Progress"}));
    EXPECT_TRUE(progressWindows().empty());
}

}  // namespace
