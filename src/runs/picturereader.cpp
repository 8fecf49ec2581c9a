#include "runs/picturereader.h"

#include <exception>

#include "common/error.h"
#include "imaging/imgutils.h"
#include "imaging/pictureloader.h"

namespace vexaris::runs {

void PictureReader::Reduction::begin(int w, int h, imaging::Layout layout, const imaging::Palette &palette)
{
    width = w;
    height = h;
    imaging::checkMinPictureSide(w, h);
    CellReduction::begin(w, h, layout, palette);
}

PictureReader::PictureReader(imaging::MemoryBudget &budget)
    : m_budget(budget)
{
}

PictureReading PictureReader::read(const std::filesystem::path &file)
{
    PictureReading reading;
    try {
        const imaging::FileNotes notes = imaging::DecodePictureFile(file, m_imgLoader, m_reduction, m_budget);
        reading.repairFailure = notes.repair.failure;
        reading.truncated = notes.truncated;
        reading.width = m_reduction.width;
        reading.height = m_reduction.height;
        imaging::CellBuffer cells;
        m_reduction.finish(cells);
        reading.signature = imaging::SignatureOfCells(cells);
    } catch (const Error &) {
        throw;
    } catch (const std::exception &e) {
        // Running out of memory, say: still one line for the log, still only this file.
        throw Error(e.what());
    }
    return reading;
}

} // namespace vexaris::runs
