// Files written whole for readers that come at any moment, against real files in a temporary folder.
#include "platform/files/replace_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace {

const fs::path folder = fs::temp_directory_path() / ("replace_file_test." + std::to_string(getpid()));

class ReplaceFile : public ::testing::Test {
protected:
    ReplaceFile() { fs::create_directory(folder); }
    ~ReplaceFile() override { fs::remove_all(folder); }
};

std::string path(const std::string& name) {
    return (folder / name).string();
}

std::string contents(const std::string& name) {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A collector running as another user must be able to read it, as the user's mask allows. A write that
// fails says why and leaves nothing behind. A pipe renamed over would leave its reader waiting for good (and
// /dev/null replaced, for root): it is written as it stands.
TEST_F(ReplaceFile, ReplacesTheOldFileWithOneTheMaskMakesReadableWritesAPipeAsItStandsOrSaysWhyNot) {
    std::ofstream(path("varnel.prom")) << "old contents, longer than the new";
    chmod(path("varnel.prom").c_str(), 0600);
    const mode_t mask = umask(027);
    EXPECT_EQ(replace_file(path("varnel.prom"), "new"), std::nullopt);
    umask(mask);
    EXPECT_EQ(contents("varnel.prom"), "new");
    EXPECT_EQ(fs::status(path("varnel.prom")).permissions(), fs::perms(0640));
    fs::create_directory(path("folder"));
    EXPECT_EQ(replace_file(path("missing/x.prom"), "x"), "No such file or directory");
    EXPECT_EQ(replace_file(path("varnel.prom/x.prom"), "x"), "Not a directory");
    EXPECT_EQ(replace_file(path("folder"), "x"), "Is a directory");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2); // no temporary left beside it
    EXPECT_TRUE(fs::is_empty(path("folder")));
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    std::string read;
    std::jthread reader([&] { read = contents("pipe"); });
    EXPECT_EQ(replace_file(path("pipe"), "through the pipe"), std::nullopt);
    reader.join();
    EXPECT_EQ(read, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(path("pipe")));
}

// Each version longer than the last: a reader meeting a file written in place reads a short one.
TEST_F(ReplaceFile, AReaderRacing200WritesOnlyEverSeesAWholeVersion) {
    const auto version = [](std::size_t i) {
        return std::string(65536 + i, static_cast<char>('A' + i % 26));
    };
    ASSERT_EQ(replace_file(path("varnel.prom"), version(0)), std::nullopt);
    std::atomic<bool> writing{true};
    int reads = 0, partial = 0;
    std::jthread reader([&] {
        for (; writing; ++reads) {
            const std::string read = contents("varnel.prom");
            partial += read.size() < 65536 || read != version(read.size() - 65536) ? 1 : 0;
        }
    });
    for (std::size_t i = 1; i <= 200; ++i)
        ASSERT_EQ(replace_file(path("varnel.prom"), version(i)), std::nullopt);
    writing = false;
    reader.join();
    EXPECT_EQ(partial, 0) << "of " << reads << " reads";
}

} // namespace
