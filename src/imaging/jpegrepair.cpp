// Repair of JPEG files with foreign bytes in front of their start-of-image marker. The user's
// file is never opened for writing: the stripped copy is written beside it under a unique name,
// flushed, read back, and then renamed over the picture in one step. Until that rename the
// picture is untouched; if anything fails, only our copy is removed, and the picture is read from
// the stripped bytes in memory, so that a file in a folder we cannot write still gets its row.
#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/pictureloader.h"
#include "imaging/readers.h"

namespace vexaris::imaging {

namespace {

Error fileError(const char *what, int code)
{
    return Error(formatText(_(what), {std::strerror(code)}));
}

// Removes the temporary copy unless the repair went through.
class TemporaryFile
{
public:
    explicit TemporaryFile(std::string path)
        : m_path(std::move(path))
    {
    }
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    void setDescriptor(int fd) { m_fd = fd; }
    int descriptor() const { return m_fd; }
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }
    void keep() { m_kept = true; }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    bool m_kept = false;
};

void writeAll(int fd, const uint8_t *bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw fileError(N_("Cannot write the repaired file: %s"), errno);
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
}

std::string upper(std::string text)
{
    for (char &c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// Puts the repaired bytes in place of the picture, or fails with the file untouched.
void replaceWithRepairedCopy(const std::filesystem::path &target, const std::vector<uint8_t> &repaired)
{
    struct stat status
    {
    };
    if (::stat(target.c_str(), &status) != 0)
        throw fileError(N_("Cannot read the file: %s"), errno);

    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string suffix = "." + upper(pictureExtension(target));
    std::string name = (folder / ".vexaris-repair-XXXXXX").native() + suffix;
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        throw fileError(N_("Cannot create the repaired file: %s"), errno);
    TemporaryFile copy(name);
    copy.setDescriptor(fd);
    if (::fchmod(fd, status.st_mode & 07777) != 0)
        throw fileError(N_("Cannot write the repaired file: %s"), errno);
    writeAll(fd, repaired.data(), repaired.size());
    if (::fsync(fd) != 0 || copy.close() != 0)
        throw fileError(N_("Cannot write the repaired file: %s"), errno);

    // The copy is read back from disk, so that what replaces the picture is what was read.
    std::vector<uint8_t> written;
    detail::readPictureFile(copy.path(), written);
    if (written != repaired)
        throw Error(_("The repaired file did not read back as written"));

    if (::rename(copy.path().c_str(), target.c_str()) != 0)
        throw fileError(N_("Cannot replace the picture with its repaired copy: %s"), errno);
    copy.keep();
    // Make the rename itself durable; a failure here loses nothing, so it is not reported.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

} // namespace

JpegRepair StripJpegPrefix(const std::filesystem::path &path, const std::string &firstMessage, Picture &picture)
{
    picture.width = 0;
    picture.height = 0;
    const std::string extension = upper(pictureExtension(path));
    if (extension != "JPG" && extension != "JPEG" && extension != "JPE")
        throw Error(firstMessage);

    // A link is followed so that the picture it points to is repaired and the link stays.
    std::filesystem::path target = path;
    std::error_code linkError;
    if (std::filesystem::is_symlink(path, linkError)) {
        target = std::filesystem::canonical(path, linkError);
        if (linkError)
            throw Error(formatText(_("Cannot read the file: %s"), {linkError.message()}));
    }

    detail::readPictureFile(target, picture.data);
    std::vector<uint8_t> &bytes = picture.data;
    size_t start = 0;
    bool found = false;
    for (size_t i = 1; i < bytes.size() && !found; ++i) {
        if (bytes[i - 1] == 0xFF && bytes[i] == 0xD8) {
            start = i - 1;
            found = true;
        }
    }
    if (!found)
        throw Error(_("Invalid JPEG file"));
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start));

    // Only a picture the reader accepts may replace the file.
    int width = 0;
    int height = 0;
    detail::readJpegHeader(bytes.data(), bytes.size(), width, height);

    JpegRepair repair;
    try {
        replaceWithRepairedCopy(target, bytes);
        repair.repairedOnDisk = true;
    } catch (const Error &e) {
        repair.failure = e.what();
    }
    picture.width = width;
    picture.height = height;
    picture.format = PictureFormat::Jpeg;
    return repair;
}

Picture StripJpegPrefix(const std::filesystem::path &path, const std::string &firstMessage)
{
    Picture picture;
    StripJpegPrefix(path, firstMessage, picture);
    return picture;
}

} // namespace vexaris::imaging
