#include "ui/dialogs.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

namespace vexaris::ui {

static DialogHook *s_hook = nullptr;

namespace {

// The share of the screen's width an input box may take, leaving room for its frame.
constexpr double kMaxScreenShare = 0.9;
constexpr int kLineEditInnerMargin = 2;

// The initial text is usually a path, and a box of the default width would show only its tail.
void widenForText(QInputDialog &box, const QString &text)
{
    auto *edit = box.findChild<QLineEdit *>();
    const QScreen *screen = box.screen();
    if (!edit || !screen)
        return;
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QMargins margins = edit->textMargins() + edit->contentsMargins();
    // Room for the text with the cursor after it, measured as a line edit measures its contents
    // (it keeps a small margin of its own inside the text margins).
    const int textWidth = edit->fontMetrics().horizontalAdvance(text + QLatin1Char(' ')) + 2 * kLineEditInnerMargin;
    const QSize content(textWidth + margins.left() + margins.right(), edit->sizeHint().height());
    const int needed = edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, content, edit).width();
    edit->setMinimumWidth(needed);
    box.adjustSize();
    const int limit = static_cast<int>(screen->availableGeometry().width() * kMaxScreenShare);
    if (box.width() > limit) {
        edit->setMinimumWidth(std::max(edit->sizeHint().width(), needed - (box.width() - limit)));
        box.adjustSize();
    }
}

} // namespace

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
    QInputDialog box(parent);
    box.setWindowTitle(caption);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(initial);
    widenForText(box, initial);
    return box.exec() == QDialog::Accepted ? box.textValue() : initial;
}

QString chooseFolder(QWidget *parent, const QString &caption, const QString &start)
{
    if (s_hook)
        return s_hook->folder({caption, QString(), QMessageBox::NoIcon}, start);
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

} // namespace vexaris::ui
