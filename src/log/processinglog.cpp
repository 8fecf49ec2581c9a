#include "log/processinglog.h"

namespace vexaris::log {

ProcessingLog &ProcessingLog::instance()
{
    static ProcessingLog log;
    return log;
}

void ProcessingLog::append(const QString &line)
{
    m_lines.append(line);
    if (m_listener)
        m_listener(line);
}

} // namespace vexaris::log
