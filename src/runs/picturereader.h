// Reading and reducing one picture file: everything the update run does with a file that
// depends on the file alone. Nothing here touches the database, the log or a window, so the work
// can move off the run's own loop without changing what the loop writes.
#pragma once

#include <filesystem>
#include <string>

#include "imaging/cellreduction.h"
#include "imaging/picture.h"
#include "imaging/signature.h"

namespace vexaris::imaging {
class MemoryBudget;
}

namespace vexaris::runs {

struct PictureReading
{
    int width = 0;
    int height = 0;
    imaging::Signature signature;
    // Why a JPEG file with bytes in front of its data could not be repaired on disk; the
    // picture was then read from the repaired bytes in memory, and the file is as it was.
    std::string repairFailure;
    // The file ended before its picture did; the signature is of what could be read.
    bool truncated = false;
};

class PictureReader
{
public:
    // Every reader of a run takes its decoding memory from the one budget.
    explicit PictureReader(imaging::MemoryBudget &budget);

    // Loads the file (repairing a JPEG file with bytes in front of its data on the way),
    // refuses pictures with a side below the minimum, and computes the signature, reducing the
    // picture as it is decoded. Every failure, running out of memory or being refused it
    // included, raises vexaris::Error with the failure's one line.
    PictureReading read(const std::filesystem::path &file);

private:
    // The reduction learns the picture's size first and refuses a picture too small before
    // anything more is decoded.
    class Reduction : public imaging::CellReduction
    {
    public:
        void begin(int width, int height, imaging::Layout layout, const imaging::Palette &palette) override;
        int width = 0;
        int height = 0;
    };

    imaging::MemoryBudget &m_budget;
    // One holder serves every file: its buffer keeps its capacity from one file to the next.
    imaging::Picture m_imgLoader;
    Reduction m_reduction;
};

} // namespace vexaris::runs
