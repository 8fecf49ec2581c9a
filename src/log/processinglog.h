// The processing log: the append-only lines that the long runs leave for the user, kept for as
// long as the program runs. The window TfrmLog shows these lines; the core and the command line
// use the list alone.
#pragma once

#include <functional>

#include <QString>
#include <QStringList>

namespace vexaris::log {

// One log lives as long as the program that keeps it: the desktop program's main() owns it and
// hands it to the runs and the log window; each command of the command line keeps its own.
class ProcessingLog
{
public:
    void append(const QString &line);
    qsizetype lineCount() const { return m_lines.size(); }
    const QStringList &lines() const { return m_lines; }
    // The lines added since a run noted the count at its start.
    QStringList linesSince(qsizetype count) const { return m_lines.mid(count); }

    // The window that shows the log listens here so that a line appears as soon as it is added.
    void setListener(std::function<void(const QString &)> listener) { m_listener = std::move(listener); }

private:
    QStringList m_lines;
    std::function<void(const QString &)> m_listener;
};

} // namespace vexaris::log
