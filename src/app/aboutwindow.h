// The about window: the program's icon and name, who makes it and on which terms, and OK.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vexaris::ui {

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Maker = nullptr;
    QLabel *Terms = nullptr;
    QLabel *Comments = nullptr;
    QPushButton *OKButton = nullptr;
};

} // namespace vexaris::ui
