// TDBNavigator: the navigator bar of the settings dialog's code pages. Six
// buttons move through the attached table and repeat while held down; the
// last two, btnAll and btnNone, are left to the dialog.
#pragma once

#include <QWidget>
#include <array>

class QToolButton;

namespace marklift {

class CodeTableModel;

class TDBNavigator : public QWidget {
    Q_OBJECT

public:
    explicit TDBNavigator(QWidget* parent = nullptr);

    // The table the moving buttons act on; null for none.
    void setDataSource(CodeTableModel* model);
    CodeTableModel* dataSource() const { return model_; }

    // In the bar's order: first, prior page, prior, next, next page, last,
    // btnAll, btnNone.
    QToolButton* button(int position) const { return buttons_[static_cast<std::size_t>(position)]; }
    QToolButton* btnAll() const { return buttons_[6]; }
    QToolButton* btnNone() const { return buttons_[7]; }

    static constexpr int kPageRows = 10;

private:
    std::array<QToolButton*, 8> buttons_{};
    CodeTableModel* model_ = nullptr;
};

}  // namespace marklift
