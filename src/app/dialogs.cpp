#include "app/dialogs.h"

#include <QCoreApplication>
#include <QInputDialog>

namespace vexaris::ui {

static DialogHook *s_hook = nullptr;

void setDialogHook(DialogHook *hook)
{
    s_hook = hook;
}

QString applicationTitle()
{
    return QCoreApplication::applicationName();
}

bool askYesNo(QWidget *parent, const QString &caption, const QString &text, QMessageBox::Icon icon)
{
    if (s_hook)
        return s_hook->answer({caption, text, icon});
    QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

void notify(QWidget *parent, const QString &caption, const QString &text, QMessageBox::Icon icon)
{
    if (s_hook) {
        s_hook->shown({caption, text, icon});
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QString inputText(QWidget *parent, const QString &caption, const QString &prompt, const QString &initial)
{
    if (s_hook)
        return s_hook->input({caption, prompt, QMessageBox::NoIcon}, initial);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
    return ok ? text : initial;
}

} // namespace vexaris::ui
