#include "cli/progressline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include <sys/ioctl.h>
#include <unistd.h>

#include "i18n/translate.h"

namespace vexaris::cli {

namespace {

constexpr int kBarWidth = 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// Below this the rate is mostly start-up cost and the time left would jump about.
constexpr double kMinSecondsForRate = 1.0;

int terminalColumns()
{
    winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// Cuts a UTF-8 text after `columns` characters, never inside one.
void cutToColumns(std::string &text, int columns)
{
    int seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xc0) == 0x80)
            continue;
        if (seen++ == columns) {
            text.resize(i);
            return;
        }
    }
}

} // namespace

ProgressLine::ProgressLine(std::string rateFormat)
    : m_rateFormat(std::move(rateFormat))
    , m_terminal(::isatty(STDERR_FILENO) != 0)
{
}

ProgressLine::~ProgressLine()
{
    clear();
}

std::string ProgressLine::duration(double seconds)
{
    const long total = std::max(0L, std::lround(seconds));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string ProgressLine::format(int64_t done, int64_t total, const std::string &counts, std::optional<double> rate,
    const std::string &rateFormat, int width)
{
    const int64_t shown = std::clamp<int64_t>(done, 0, std::max<int64_t>(total, 0));
    const int filled = total > 0 ? static_cast<int>(kBarWidth * shown / total) : 0;
    const int percent = total > 0 ? static_cast<int>(100 * shown / total) : 0;
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#')
        + std::string(static_cast<size_t>(kBarWidth - filled), '.') + "] " + std::to_string(percent) + "%  " + counts;
    if (rate && *rate > 0) {
        char rateText[32];
        std::snprintf(rateText, sizeof rateText, "%.1f", *rate);
        line += "  " + formatText(rateFormat, {rateText});
        line += "  " + formatText(_("%s left"), {duration(static_cast<double>(total - shown) / *rate)});
    }
    cutToColumns(line, std::max(width - 1, 0));
    return line;
}

void ProgressLine::show(int64_t done, int64_t total, const std::string &counts, bool force)
{
    if (!m_terminal)
        return;
    const Clock::time_point now = Clock::now();
    if (!m_started) {
        m_started = true;
        m_start = now;
        m_firstDone = done;
        force = true;
    }
    if (!force && m_shown && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    const double elapsed = std::chrono::duration<double>(now - m_start).count();
    std::optional<double> rate;
    if (elapsed >= kMinSecondsForRate && done > m_firstDone)
        rate = static_cast<double>(done - m_firstDone) / elapsed;
    std::cerr << "\r\033[K" << format(done, total, counts, rate, m_rateFormat, terminalColumns()) << std::flush;
    m_shown = true;
}

void ProgressLine::clear()
{
    if (m_shown) {
        std::cerr << "\r\033[K" << std::flush;
        m_shown = false;
    }
}

} // namespace vexaris::cli
