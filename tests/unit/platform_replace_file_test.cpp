// Files written whole for readers that come at any moment, against real files in a temporary folder.
#include "platform/files/replace_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

namespace {

class ReplaceFile : public ::testing::Test {
protected:
    ReplaceFile() : folder_(fs::temp_directory_path() / ("replace_file_test." + std::to_string(getpid()))) {
        fs::create_directory(folder_);
    }
    ~ReplaceFile() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    std::size_t entries() const { return std::distance(fs::directory_iterator(folder_), {}); }

    fs::path folder_;
};

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A collector running as another user must be able to read it, as the user's mask allows.
TEST_F(ReplaceFile, ReplacesTheOldFileWithANewOneTheMaskMakesReadable) {
    const mode_t mask = umask(027);
    std::ofstream(path("varnel.prom")) << "old contents, longer than the new";
    chmod(path("varnel.prom").c_str(), 0600);
    EXPECT_EQ(replace_file(path("varnel.prom"), "new"), std::nullopt);
    umask(mask);
    EXPECT_EQ(contents(path("varnel.prom")), "new");
    struct stat info {};
    ASSERT_EQ(stat(path("varnel.prom").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(), 1u); // no temporary left beside it
}

TEST_F(ReplaceFile, FailuresSayWhyAndLeaveNothingBehind) {
    std::ofstream(path("file")) << "kept";
    fs::create_directory(path("folder"));
    for (const auto& [target, reason] :
         {std::pair{path("missing/x.prom"), "No such file or directory"},
          std::pair{path("file/x.prom"), "Not a directory"}, std::pair{path("folder"), "Is a directory"},
          std::pair{path("folder/"), "Is a directory"}}) {
        EXPECT_EQ(replace_file(target, "report"), reason) << target;
    }
    EXPECT_EQ(contents(path("file")), "kept");
    EXPECT_EQ(entries(), 2u);
    EXPECT_TRUE(fs::is_empty(path("folder")));
}

// A pipe renamed over would leave its reader waiting for good: it gets the bytes and stays a pipe.
TEST_F(ReplaceFile, WritesANamedPipeAsItStands) {
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    std::string read;
    std::jthread reader([&] { read = contents(path("pipe")); });
    EXPECT_EQ(replace_file(path("pipe"), "through the pipe"), std::nullopt);
    reader.join();
    EXPECT_EQ(read, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(path("pipe")));
}

// Each version a different length and byte: a reader meeting a file written in place reads a short one.
TEST_F(ReplaceFile, AReaderRacing200WritesOnlyEverSeesAWholeVersion) {
    constexpr int kWrites = 200;
    constexpr std::size_t kShortest = 64 * 1024;
    constexpr std::size_t kStep = 97;
    const auto version = [&](std::size_t i) {
        return std::string(kShortest + i * kStep, static_cast<char>('A' + i % 26));
    };
    const auto whole = [&](const std::string& read) {
        const std::size_t longer = read.size() - std::min(read.size(), kShortest);
        return read.size() >= kShortest && longer % kStep == 0 && read == version(longer / kStep);
    };
    ASSERT_EQ(replace_file(path("varnel.prom"), version(0)), std::nullopt);
    std::atomic<bool> writing{true};
    int reads = 0;
    int partial = 0;
    std::jthread reader([&] {
        for (; writing; ++reads) {
            partial += whole(contents(path("varnel.prom"))) ? 0 : 1;
        }
    });
    for (int i = 1; i <= kWrites; ++i) {
        ASSERT_EQ(replace_file(path("varnel.prom"), version(i)), std::nullopt);
    }
    writing = false;
    reader.join();
    EXPECT_EQ(partial, 0) << "of " << reads << " reads";
    EXPECT_GT(reads, 0);
}

} // namespace
