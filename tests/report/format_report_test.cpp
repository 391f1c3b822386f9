// The file format report drawn by Qt into a PDF on the offscreen platform,
// read back with poppler's pdftotext and pdffonts: its texts, where they
// stand on the page, and its font.
#include "report/format_report.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "core/session/program_error.h"

using namespace marklift;

namespace {

constexpr double kPointsPerInch = 72.0;
// Glyph boxes are not the pen position: allow a little over a point.
constexpr double kPositionTolerance = 1.5;

struct Word {
    QString text;
    double xMin, yMin, xMax, yMax;  // points from the paper's top-left corner
};

class FormatReportPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        for (const char* tool : {"pdftotext", "pdffonts"})
            ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty())
                << tool << " is missing: tools/install-deps installs poppler-utils";
    }

    std::string pdfPath() const { return dir_.filePath("format.pdf").toStdString(); }

    static QString run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(10000)) << program.toStdString();
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    std::vector<QString> textLines() const {
        const QString text = run("pdftotext", {"-layout", QString::fromStdString(pdfPath()), "-"});
        std::vector<QString> lines;
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
            if (!line.trimmed().isEmpty()) lines.push_back(line.simplified());
        return lines;
    }

    std::vector<Word> words() const {
        const QString html = run("pdftotext", {"-bbox", QString::fromStdString(pdfPath()), "-"});
        static const QRegularExpression pattern(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
        std::vector<Word> found;
        for (auto it = pattern.globalMatch(html); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            found.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                             m.captured(3).toDouble(), m.captured(4).toDouble()});
        }
        return found;
    }

    // The first word with `text`, top to bottom.
    static const Word& word(const std::vector<Word>& all, const QString& text) {
        for (const Word& w : all)
            if (w.text == text) return w;
        ADD_FAILURE() << "no word " << text.toStdString();
        static const Word none{};
        return none;
    }

    QTemporaryDir dir_;
};

TEST_F(FormatReportPdfTest, FixedReportTextsInOrder) {
    WriteFormatReportPdf(pdfPath(), 0, {true, true, true, true});

    const std::vector<QString> expected = {
        "Upload File Format",
        "Filetype: Fixed",
        "Data Element Field Name Size Location",
        "ID ID 9 1-9",
        "Last Name LNAME 13 10-22",
        "First Name FNAME 11 23-33",
        "Middle Initial MNAME 1 34-34",
        "Birth Date (yyyymmdd) BIRTHDATE 8 35-42",
        "Test Score TESTSCORE 4 43-46",
        "Test Date (yyyymmdd) DATE 8 47-54",
        "Test Code TESTCODE 4 55-58",
        "Attempted ATTEMPT 3 59-61",
        "Subscores SUBSCORES 20 62-81",
        "Purpose and Accommodation PANDA 6 82-87",
        "Site Code SITECODE 2 88-89",
    };
    EXPECT_EQ(textLines(), expected);
}

TEST_F(FormatReportPdfTest, DelimitedReportTextsInOrder) {
    WriteFormatReportPdf(pdfPath(), 2, {});

    const std::vector<QString> lines = textLines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Upload File Format");
    EXPECT_EQ(lines[1], "Filetype: Comma Delimited");
    EXPECT_EQ(lines[2], "Data Element Field Name Size Data Type");
    EXPECT_EQ(lines[3], "ID ID 9 Character");
    EXPECT_EQ(lines[10], "Test Code TESTCODE 4 Character");
}

TEST_F(FormatReportPdfTest, TextsStandWhereTheColumnsPutThem) {
    WriteFormatReportPdf(pdfPath(), 0, {});
    const std::vector<Word> all = words();

    // Centred on half the paper's width.
    const double titleLeft = word(all, "Upload").xMin;
    const double titleRight = word(all, "Format").xMax;
    EXPECT_NEAR((titleLeft + titleRight) / 2, 4.25 * kPointsPerInch, kPositionTolerance);

    // Left-justified texts start 0.05 inch into their column.
    EXPECT_NEAR(word(all, "Filetype:").xMin, 0.55 * kPointsPerInch, kPositionTolerance);
    EXPECT_NEAR(word(all, "Data").xMin, 0.55 * kPointsPerInch, kPositionTolerance);
    EXPECT_NEAR(word(all, "TESTCODE").xMin, 3.05 * kPointsPerInch, kPositionTolerance);

    // Right-justified texts end 0.05 inch before their column's right edge.
    EXPECT_NEAR(word(all, "Size").xMax, 4.90 * kPointsPerInch, kPositionTolerance);
    EXPECT_NEAR(word(all, "13").xMax, 4.90 * kPointsPerInch, kPositionTolerance);
    EXPECT_NEAR(word(all, "Location").xMax, 5.90 * kPointsPerInch, kPositionTolerance);
    EXPECT_NEAR(word(all, "55-58").xMax, 5.90 * kPointsPerInch, kPositionTolerance);

    // Line 1 begins at the top margin; lines are a sixth of an inch apart,
    // so the first row (line 7) lies six lines below the title.
    const Word& title = word(all, "Upload");
    EXPECT_GT(title.yMin, 0.5 * kPointsPerInch - kPositionTolerance);
    EXPECT_LT(title.yMax, 0.5 * kPointsPerInch + 12.0 + kPositionTolerance);
    EXPECT_NEAR(word(all, "ID").yMax - title.yMax, 6 * 12.0, kPositionTolerance);
    EXPECT_NEAR(word(all, "TESTCODE").yMax - word(all, "ID").yMax, 7 * 12.0, kPositionTolerance);
}

TEST_F(FormatReportPdfTest, OneRegularArialCompatibleFont) {
    WriteFormatReportPdf(pdfPath(), 1, {});
    const QStringList fontLines =
        run("pdffonts", {QString::fromStdString(pdfPath())}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(fontLines.size(), 3) << "two heading lines and one font";
    const QString font = fontLines[2];
    EXPECT_TRUE(font.contains("Arial") || font.contains("LiberationSans")) << font.toStdString();
    EXPECT_FALSE(font.contains("Bold") || font.contains("Italic")) << font.toStdString();
}

TEST_F(FormatReportPdfTest, UnwritablePathIsAnError) {
    const std::string path = dir_.filePath("missing/format.pdf").toStdString();
    EXPECT_THROW(WriteFormatReportPdf(path, 0, {}), MarkliftError);
}

}  // namespace
