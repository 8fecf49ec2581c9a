// Every message box and input box of the program goes through these wrappers, so that the tests
// can queue the user's next answers instead of facing a modal box.
#pragma once

#include <functional>

#include <QMessageBox>
#include <QString>

class QWidget;

namespace vexaris::ui {

// The application title: the caption of notices and of the general error report.
QString applicationTitle();

// A question with Yes and No; true only for Yes. With icon NoIcon the box shows none.
bool askYesNo(
    QWidget *parent, const QString &caption, const QString &text, QMessageBox::Icon icon = QMessageBox::Question);

// A notice with an OK button.
void notify(QWidget *parent, const QString &caption, const QString &text, QMessageBox::Icon icon = QMessageBox::NoIcon);

// A one-line input box; returns the initial text when the user cancels.
QString inputText(QWidget *parent, const QString &caption, const QString &prompt, const QString &initial);

// The desktop's folder chooser, opened at start; returns the chosen folder, or an empty text when
// the user cancels.
QString chooseFolder(QWidget *parent, const QString &caption, const QString &start);

// Test hook: what a box would have shown, and how it is answered instead.
struct BoxRecord
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class DialogHook
{
public:
    virtual ~DialogHook() = default;
    // The answer to a question: true for Yes.
    virtual bool answer(const BoxRecord &question) = 0;
    // A notice or error report was shown.
    virtual void shown(const BoxRecord &notice) = 0;
    // The text an input box returns.
    virtual QString input(const BoxRecord &box, const QString &initial) = 0;
    // The folder a folder chooser returns; a hook that expects none cancels it.
    virtual QString folder(const BoxRecord &chooser, const QString &start)
    {
        Q_UNUSED(chooser);
        Q_UNUSED(start);
        return {};
    }
};

// Installs a hook for the tests (nullptr removes it); the boxes are never shown while one is set.
void setDialogHook(DialogHook *hook);

} // namespace vexaris::ui
