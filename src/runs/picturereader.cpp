#include "runs/picturereader.h"

#include <exception>

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
        reading.ok = true;
    } catch (const std::exception &e) {
        reading.error = e.what();
    }
    return reading;
}

} // namespace vexaris::runs
