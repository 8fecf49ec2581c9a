// Reading and reducing one picture file: everything the update run does with a file that
// depends on the file alone. Nothing here touches the database, the log or a window, so the work
// can move off the run's own loop without changing what the loop writes.
#pragma once

#include <filesystem>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/picture.h"
#include "imaging/signature.h"

namespace vexaris::runs {

struct PictureReading
{
    int width = 0;
    int height = 0;
    imaging::Signature signature;
    // Why a JPEG file with bytes in front of its data could not be repaired on disk; the
    // picture was then read from the repaired bytes in memory, and the file is as it was.
    std::string repairFailure;
};

class PictureReader
{
public:
    // Loads the file (repairing a JPEG file with bytes in front of its data on the way),
    // refuses pictures with a side below the minimum, and computes the signature. Every failure,
    // running out of memory included, raises vexaris::Error with the failure's one line.
    PictureReading read(const std::filesystem::path &file);

private:
    // One picture holder and one bitmap holder serve every file: their buffers keep their
    // capacity from one file to the next.
    imaging::Picture m_imgLoader;
    imaging::Bitmap m_imgBuffer;
};

} // namespace vexaris::runs
