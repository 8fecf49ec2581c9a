// Helpers for the loader's tests: a scratch folder per test, fixture files and pixel reads that
// do not care in which layout a reader delivered the picture.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace vexaris::imaging::test {

inline std::filesystem::path fixture(const std::string &name)
{
    return std::filesystem::path(VEXARIS_TEST_DATA) / "loader" / name;
}

inline std::vector<uint8_t> readBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() / ("vexaris-loader-test-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

    // The names in the folder, sorted.
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const auto &entry : std::filesystem::directory_iterator(m_path))
            result.push_back(entry.path().filename().string());
        std::sort(result.begin(), result.end());
        return result;
    }

private:
    std::filesystem::path m_path;
};

struct Rgb
{
    int red = 0;
    int green = 0;
    int blue = 0;
};

inline Rgb pixelAt(const Bitmap &bitmap, int x, int y)
{
    const uint8_t *p = bitmap.row(y) + static_cast<size_t>(x) * static_cast<size_t>(bitmap.bytesPerPixel());
    if (bitmap.layout() == Layout::Rgb24)
        return {p[2], p[1], p[0]};
    const PaletteEntry &entry = bitmap.palette[*p];
    return {entry.red, entry.green, entry.blue};
}

inline bool near(const Rgb &a, const Rgb &b, int tolerance)
{
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance
        && std::abs(a.blue - b.blue) <= tolerance;
}

inline std::string describe(const Rgb &c)
{
    return "(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " + std::to_string(c.blue) + ")";
}

// Little-endian and big-endian byte builders for files made byte by byte in the tests.
struct ByteWriter
{
    std::vector<uint8_t> bytes;

    ByteWriter &u8(unsigned v)
    {
        bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    ByteWriter &u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8 & 0xFF); }
    ByteWriter &u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    ByteWriter &be16(unsigned v) { return u8(v >> 8 & 0xFF).u8(v & 0xFF); }
    ByteWriter &be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
    ByteWriter &text(const std::string &s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter &zeros(size_t n)
    {
        bytes.insert(bytes.end(), n, 0);
        return *this;
    }
    ByteWriter &append(const std::vector<uint8_t> &more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    size_t size() const { return bytes.size(); }
    // Overwrites a little-endian 32-bit value written earlier.
    void patch32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
};

} // namespace vexaris::imaging::test
