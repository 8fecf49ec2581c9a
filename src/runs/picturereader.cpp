#include "runs/picturereader.h"

#include <exception>

#include "common/error.h"
#include "imaging/imgutils.h"
#include "imaging/pictureloader.h"

namespace vexaris::runs {

PictureReading PictureReader::read(const std::filesystem::path &file)
{
    PictureReading reading;
    try {
        try {
            imaging::LoadPictureFile(file, m_imgLoader);
        } catch (const std::exception &loadFailure) {
            const imaging::JpegRepair repair = imaging::StripJpegPrefix(file, loadFailure.what(), m_imgLoader);
            reading.repairFailure = repair.failure;
        }
        reading.width = m_imgLoader.width;
        reading.height = m_imgLoader.height;
        imaging::checkMinPictureSide(reading.width, reading.height);
        imaging::PictureToBitmap(m_imgLoader, m_imgBuffer);
        reading.signature = imaging::ComputeSignature(m_imgBuffer);
    } catch (const Error &) {
        throw;
    } catch (const std::exception &e) {
        // Running out of memory, say: still one line for the log, still only this file.
        throw Error(e.what());
    }
    return reading;
}

} // namespace vexaris::runs
