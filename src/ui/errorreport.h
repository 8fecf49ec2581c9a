// The general error report: an error that escapes a user command is shown in one message box and
// the program goes on. Qt does not carry exceptions through its event loop, so every handler runs
// its body through guarded().
#pragma once

#include <exception>
#include <utility>

#include <QString>

class QWidget;

namespace vexaris::ui {

// The error's text as the report shows it: a full stop is appended when the last character's
// code is above the full stop's.
QString errorReportText(const QString &message);

void showErrorReport(QWidget *parent, const QString &message);

// Runs a handler's body; an escaping error becomes the general error report. Returns false when
// the body ended by an error.
template <typename Body> bool guarded(QWidget *parent, Body &&body)
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception &e) {
        showErrorReport(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        showErrorReport(parent, QString());
    }
    return false;
}

} // namespace vexaris::ui
