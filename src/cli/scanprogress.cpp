#include "cli/scanprogress.h"

#include <algorithm>
#include <iostream>

#include "cli/interrupt.h"
#include "i18n/translate.h"

namespace vexaris::cli {

ScanRunProgress::ScanRunProgress()
    : m_line(_("%s pictures/s"))
{
}

bool ScanRunProgress::stopRequested()
{
    return InterruptAsStop::requested();
}

void ScanRunProgress::progress(const runs::RunProgress &progress)
{
    // A resumed run counts on from its saved count, which can pass the number of pictures when
    // some were removed since.
    const int done = std::min(progress.done, progress.total);
    const std::string pictures = std::to_string(done) + "/" + std::to_string(progress.total);
    m_line.show(done, progress.total, formatText(_("pictures %s"), {pictures}),
        progress.stage == runs::RunProgress::Stage::ComparisonsStarted || done == progress.total);
}

void ScanRunProgress::printLine(const std::string &text)
{
    m_line.clear();
    std::cout << text << '\n' << std::flush;
}

} // namespace vexaris::cli
