// TSetPathtoZOLTForm: the settings dialog "Set Path to ZOLT". The path to
// ZOLT's data, the file type and what goes into the upload file, and the
// two code tables in grids with their Build buttons and navigator bar.
#pragma once

#include <QDialog>
#include <functional>

#include "core/config/program_settings.h"
#include "core/config/settings_handoff.h"
#include "core/session/user_interface.h"
#include "tables/xbase_table.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace marklift {

class CodeTableModel;
class TCodeGrid;
class TDBNavigator;
class TRadioGroup;

class TSetPathtoZOLTForm : public QDialog, public SettingsDialog {
    Q_OBJECT

public:
    // The file format report, produced from the dialog's current choices.
    using PrintFileFormat = std::function<void(int fileType, bool attempted, bool subscores,
                                               bool purposeAndAccommodation, bool siteCode)>;

    // The code pages open their tables in settings.DataPath as it is now and
    // offer settings.PeriodChoices; the file type sets settings.FileFormat.
    explicit TSetPathtoZOLTForm(UserInterface& ui, ProgramSettings& settings = Settings(),
                                QWidget* parent = nullptr);
    // FormDestroy: posts a pending edit of each code table and closes it.
    ~TSetPathtoZOLTForm() override;

    void setPrintHook(PrintFileFormat print) { print_ = std::move(print); }

    void setValues(const SettingsDialogValues& values) override;
    bool execute() override;
    SettingsDialogValues values() const override;

    // Handlers.
    void Notebook1PageChange(int page);
    void ComboBox1Change();
    void ComboBox2Change();
    void btnBuildPClick();
    void btnBuildTClick();
    void btnAllClick();
    void btnNoneClick();
    void Button2Click();
    void rgFileFormatClick();
    void btnPrintClick();

    // Controls, named as the program's other windows name theirs.
    QTabWidget* Notebook1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    TDBNavigator* DBNavigator1;

    QWidget* Page1;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QPushButton* Button2;
    QLineEdit* Edit2;
    QLabel* lblSettingsFile;

    QWidget* Page2;
    QGroupBox* GroupBox1;
    QCheckBox* chkPlacement;
    QCheckBox* chkAssessment;
    QCheckBox* chkScores;
    QGroupBox* GroupBox3;
    QCheckBox* chkAttempt;
    QCheckBox* chkSubscores;
    QCheckBox* chkPandA;
    QCheckBox* chkSiteCode;
    TRadioGroup* rgFileFormat;
    QPushButton* btnPrint;

    QWidget* Page3;
    QComboBox* ComboBox1;
    QPushButton* btnBuildP;
    TCodeGrid* DBGrid1;
    QWidget* Page4;
    QComboBox* ComboBox2;
    QPushButton* btnBuildT;
    TCodeGrid* DBGrid2;

    // The tables of the two grids.
    XbaseTable& placementTable() { return placementTable_; }
    XbaseTable& testTable() { return testTable_; }

private:
    void buildPathPage();
    void buildOptionsPage();
    QWidget* buildCodePage(QComboBox*& periods, QPushButton*& build, TCodeGrid*& grid,
                           CodeTableModel& model);
    void showCodePage(QComboBox* periods, QPushButton* build, TCodeGrid* grid,
                      const std::function<void()>& open);
    void buildCodes(QComboBox* periods, TCodeGrid* grid,
                    const std::function<void(int period)>& build);
    void setIncludeOnEveryRow(bool include);
    // Runs a handler's work: an error is shown, the user's giving up a table
    // open ends the dialog and reaches the caller of execute().
    void run(const std::function<void()>& work);

    UserInterface& ui_;
    ProgramSettings& settings_;
    // The data directory the dialog opened with: the code pages stay there.
    std::string dataPath_;
    PrintFileFormat print_;
    bool cancelled_ = false;

    XbaseTable placementTable_;
    XbaseTable testTable_;
    XbaseTable sourceTable_;
    XbaseTable previousTable_;
    CodeTableModel* placementModel_;
    CodeTableModel* testModel_;
};

}  // namespace marklift
