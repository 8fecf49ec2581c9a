// Runs of the real vexaris-cli signature command over picture fixtures: what it prints for good
// and bad files, its exit status, and that it leaves every file as it found it.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct CliRun
{
    int exitStatus = -1;
    std::vector<std::string> lines;
};

std::string shellQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CliRun runSignature(const std::vector<std::string> &files)
{
    std::string command = "LANG=C LANGUAGE=C " + shellQuoted(VEXARIS_CLI) + " signature";
    for (const std::string &file : files)
        command += " " + shellQuoted(file);
    command += " 2>/dev/null";
    CliRun run;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (size_t start = 0; start < output.size();) {
        const size_t end = output.find('\n', start);
        run.lines.push_back(output.substr(start, end - start));
        start = end == std::string::npos ? output.size() : end + 1;
    }
    return run;
}

std::string fixture(const char *name)
{
    return std::string(VEXARIS_TEST_DATA) + "/" + name;
}

std::string repeat(const std::string &text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string fileBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The edge image of a flat picture: 0 on the border, 255 inside.
std::string flatDerivativeHex()
{
    const std::string borderRow = repeat("00", 32);
    return borderRow + repeat("00" + repeat("ff", 30) + "00", 30) + borderRow;
}

TEST(SignatureCommand, UniformPicturePrintsTheFlatSignature)
{
    const std::string file = fixture("signature-uniform-olive-40x36.png");
    const CliRun run = runSignature({file});
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0],
        "{\"file\": \"" + file
            + "\", \"width\": 40, \"height\": 36, \"colorRank\": -523264, \"derivativeRank\": -459900, "
              "\"thumbnail\": \""
            + repeat("0000ff", 1024) + "\", \"derivative\": \"" + flatDerivativeHex() + "\"}");
}

// The same red and blue halves stored with a palette (GIF) and in true colour (PNG) must give
// the same signature, or the colour methods would miss the pair.
TEST(SignatureCommand, PaletteAndTrueColourFilesOfOnePictureGiveOneSignature)
{
    const std::string gif = fixture("signature-halves-red-blue-64x64.gif");
    const std::string png = fixture("signature-halves-red-blue-64x64.png");
    const CliRun run = runSignature({gif, png});
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(run.lines.size(), 2u);
    const std::string thumbnail = repeat(repeat("1f1fff", 16) + repeat("0a1fff", 16), 32);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NE(run.lines[i].find("\"colorRank\": 1004032, \"derivativeRank\": -789240"), std::string::npos)
            << run.lines[i];
        EXPECT_NE(run.lines[i].find("\"thumbnail\": \"" + thumbnail + "\""), std::string::npos) << run.lines[i];
    }
    EXPECT_EQ(run.lines[0].substr(run.lines[0].find("\"width\"")), run.lines[1].substr(run.lines[1].find("\"width\"")));
}

TEST(SignatureCommand, FailuresAreLinesOfTheirOwnAndTheExitStatusIsOne)
{
    const std::string narrow = fixture("signature-narrow-31x40.png");
    const std::string good = fixture("signature-uniform-olive-40x36.png");
    const std::string missing = fixture("signature-no-such-file.png");
    const CliRun run = runSignature({narrow, good, missing});
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(
        run.lines[0], "{\"file\": \"" + narrow + "\", \"error\": \"Image is less than 32 pixels wide or high.\"}");
    EXPECT_EQ(run.lines[1].rfind("{\"file\": \"" + good + "\", \"width\": 40,", 0), 0u) << run.lines[1];
    EXPECT_EQ(run.lines[2].rfind("{\"file\": \"" + missing + "\", \"error\": \"", 0), 0u) << run.lines[2];
}

TEST(SignatureCommand, NeverRepairsAJpegFileWithBytesInFrontOfItsData)
{
    const fs::path folder = fs::temp_directory_path() / ("vexaris-signature-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path copy = folder / "garbage \"quoted\".jpg";
    fs::copy_file(fixture("signature-jpeg-leading-garbage.jpg"), copy, fs::copy_options::overwrite_existing);
    const std::string before = fileBytes(copy);

    const CliRun run = runSignature({copy.string()});
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(
        run.lines[0].rfind("{\"file\": \"" + folder.string() + "/garbage \\\"quoted\\\".jpg\", \"error\": \"", 0), 0u)
        << run.lines[0];
    EXPECT_EQ(fileBytes(copy), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1) << "no backup left behind";
    fs::remove_all(folder);
}

TEST(SignatureCommand, NoFileIsAUsageError)
{
    EXPECT_EQ(runSignature({}).exitStatus, 2);
}

} // namespace
