#include "log/processinglog.h"

namespace vexaris::log {

void ProcessingLog::append(const QString &line)
{
    m_lines.append(line);
    if (m_listener)
        m_listener(line);
}

} // namespace vexaris::log
