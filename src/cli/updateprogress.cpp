#include "cli/updateprogress.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "cli/interrupt.h"
#include "i18n/translate.h"

namespace vexaris::cli {

UpdateRunProgress::UpdateRunProgress()
    : m_line(_("%s files/s"))
{
}

bool UpdateRunProgress::stopRequested()
{
    return InterruptAsStop::requested();
}

void UpdateRunProgress::progress(const runs::RunProgress &progress)
{
    using Stage = runs::RunProgress::Stage;
    switch (progress.stage) {
    case Stage::FolderProgress:
        m_folderCount = progress.total;
        if (progress.done > m_foldersDone) {
            m_filesInDoneFolders += m_fileCount;
            m_fileCount = 0;
        }
        m_foldersDone = progress.done;
        draw(true);
        break;
    case Stage::FilesCounted:
        m_fileCount = progress.total;
        draw(true);
        break;
    case Stage::FileDone:
        ++m_filesDone;
        draw(false);
        break;
    default:
        break;
    }
}

void UpdateRunProgress::draw(bool force)
{
    // The folder in progress has been listed when its files are counted; until then only the
    // finished ones give the average.
    const int listed = m_foldersDone + (m_fileCount > 0 ? 1 : 0);
    const int filesListed = m_filesInDoneFolders + m_fileCount;
    const int unlisted = std::max(0, m_folderCount - listed);
    const double perFolder = listed > 0 ? double(filesListed) / listed : 0.0;
    const int64_t total = filesListed + std::llround(perFolder * unlisted);
    // A total that is still partly a guess is marked as one; before any folder is listed there is
    // nothing to guess from.
    std::string files = std::to_string(m_filesDone);
    if (listed > 0 || unlisted == 0)
        files += "/" + std::string(unlisted > 0 ? "~" : "") + std::to_string(total);
    const std::string folders = std::to_string(m_foldersDone) + "/" + std::to_string(m_folderCount);
    m_line.show(m_filesDone, total, formatText(_("folders %s  files %s"), {folders, files}), force);
}

} // namespace vexaris::cli
