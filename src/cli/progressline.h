// The one progress line of a long command on standard error: a bar, the counts, the rate and the
// time left over the whole run, drawn over itself a few times a second. Where standard error is
// not a terminal (a log file, a pipe, a timer's mail) nothing is drawn at all.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vexaris::cli {

class ProgressLine
{
public:
    // rateFormat: a translated text with one %s for the items per second ("%s files/s").
    explicit ProgressLine(std::string rateFormat);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // done of total items; total may be an estimate. counts is what the line says of them. The
    // rate is taken over the items done since the first call, so a resumed run's earlier part
    // does not count as done in no time. Redrawn at most every 100 ms unless force is set.
    void show(int64_t done, int64_t total, const std::string &counts, bool force = false);
    // Takes the line off the screen, so that other output starts at the left margin.
    void clear();
    bool drawing() const { return m_terminal; }

    // The line's text: "[####......] counts  12.5 files/s  1:05 left", cut to width - 1 columns.
    // The rate and the time left are left out until they mean something.
    static std::string format(int64_t done, int64_t total, const std::string &counts, std::optional<double> rate,
        const std::string &rateFormat, int width);
    // Seconds as m:ss, or h:mm:ss from an hour on.
    static std::string duration(double seconds);

private:
    using Clock = std::chrono::steady_clock;

    std::string m_rateFormat;
    bool m_terminal;
    bool m_shown = false;
    bool m_started = false;
    int64_t m_firstDone = 0;
    Clock::time_point m_start;
    Clock::time_point m_lastDraw;
};

} // namespace vexaris::cli
