// The registry over settings files, against real files in a private config folder.
#include "platform/settings/linux/SettingsFileRegistry.h"

#include <gtest/gtest.h>

#include <acl/libacl.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* keyPath = "Software\\Ostrel\\PALVEX";
constexpr uid_t otherUser = 65534;
using Values = std::vector<std::pair<std::string, DWORD>>;
const Values defaults = {{"FormatTag", 1},
                         {"Channels", 1},
                         {"SamplesPerSec", 11025},
                         {"AvgBytesPerSec", 11025},
                         {"BlockAlign", 1},
                         {"BitsPerSample", 8},
                         {"cbSize", 0}};
const std::string defaultLines = "FormatTag=1\nChannels=1\nSamplesPerSec=11025\nAvgBytesPerSec=11025\n"
                                 "BlockAlign=1\nBitsPerSample=8\ncbSize=0\n";

LSTATUS set_dword(RegistryApi& registry, HKEY key, const std::string& name, DWORD value) {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return registry.RegSetValueExA(key, name.c_str(), 0, REG_DWORD, bytes, 4);
}

// What the program does on Quit: open, one set a value, close; the statuses of all three, in order.
std::vector<LSTATUS> export_values(RegistryApi& registry, const Values& values,
                                   const char* subKey = keyPath) {
    HKEY key = nullptr;
    std::vector<LSTATUS> statuses{registry.RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key)};
    for (const auto& [name, value] : statuses[0] == ERROR_SUCCESS ? values : Values{}) {
        statuses.push_back(set_dword(registry, key, name, value));
    }
    if (statuses[0] == ERROR_SUCCESS) {
        statuses.push_back(registry.RegCloseKey(key));
    }
    return statuses;
}

std::vector<LSTATUS> succeeded(std::size_t values) {
    return std::vector<LSTATUS>(values + 2, ERROR_SUCCESS);
}

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> folder_names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string acl_text(const fs::path& file) {
    acl_t acl = acl_get_file(file.c_str(), ACL_TYPE_ACCESS);
    char* text = acl_to_any_text(acl, nullptr, ',', TEXT_NUMERIC_IDS);
    const std::string result = text != nullptr ? text : "";
    acl_free(text);
    acl_free(acl);
    return result;
}

class SettingsFileRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varnel-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        configHome_ = root_ / "config";
        setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
        home_ = std::getenv("HOME") ? std::getenv("HOME") : "";
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        setenv("HOME", home_.c_str(), 1);
        fs::remove_all(root_);
    }
    fs::path configFile() const { return configHome_ / "Ostrel" / "PALVEX.conf"; }

    fs::path root_;
    fs::path configHome_;
    std::string home_;
    SettingsFileRegistry registry_;
};

TEST_F(SettingsFileRegistryTest, OnlyAnExistingRegularFileIsAKeyAndNothingIsCreated) {
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> notKeys = {
        {"missing", [](const fs::path& file) { fs::create_directories(file.parent_path()); }},
        {"folder", [](const fs::path& file) { fs::create_directories(file); }},
        {"dangling link", [this](const fs::path& file) { fs::create_symlink(root_ / "nowhere", file); }},
        {"pipe", [](const fs::path& file) { mkfifo(file.c_str(), 0644); }},
    };
    for (const auto& [what, make] : notKeys) {
        SCOPED_TRACE(what);
        fs::create_directories(configFile().parent_path());
        make(configFile());
        EXPECT_EQ(export_values(registry_, defaults), std::vector<LSTATUS>{ERROR_FILE_NOT_FOUND});
        EXPECT_EQ(folder_names(configFile().parent_path()).size(),
                  fs::exists(fs::symlink_status(configFile())));
        fs::remove_all(configFile().parent_path());
    }
    write_bytes(configFile(), "");
    write_bytes(configHome_ / "PALVEX.conf", "");
    for (const char* path :
         {"", "Software\\Ostrel", "Software\\Ostrel\\PALVEX\\Sub", "Software\\\\Ostrel\\PALVEX",
          "Software\\..\\PALVEX", "Software\\.\\PALVEX", "Software\\Ostrel/..\\PALVEX",
          "Hardware\\Ostrel\\PALVEX", "Software/Ostrel/PALVEX"}) {
        EXPECT_EQ(export_values(registry_, defaults, path), std::vector<LSTATUS>{ERROR_FILE_NOT_FOUND})
            << path;
    }
    HKEY key = nullptr;
    EXPECT_EQ(registry_.RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry_.RegOpenKeyExA(predefinedKey(0x80000002u), keyPath, 0, KEY_ALL_ACCESS, &key),
              ERROR_BADKEY);
    EXPECT_EQ(registry_.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(read_bytes(configFile()) + read_bytes(configHome_ / "PALVEX.conf"), "");
    // The first part is matched as the registry does, without regard to case.
    EXPECT_EQ(export_values(registry_, defaults, "SOFTWARE\\Ostrel\\PALVEX"), succeeded(7));
}

struct FileShape {
    const char* what;
    std::string before;
    std::string after; // once the defaults are exported
};

// Every top-level line of one of the names takes the value; everything else stays byte for byte.
TEST_F(SettingsFileRegistryTest, EachFileShapeTakesTheValuesAndKeepsEveryOtherByte) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string rest =
        "SamplesPerSec=11025\nAvgBytesPerSec=11025\nBlockAlign=1\nBitsPerSample=8\ncbSize=0\n";
    const std::vector<FileShape> shapes = {
        {"empty", "", defaultLines},
        {"other cases", "FormatTag=5\nFORMATTAG=6\nVolume=7\n",
         "FormatTag=1\nFORMATTAG=6\nVolume=7\nChannels=1\n" + rest},
        {"twice", "FormatTag=5\nChannels=9\nFormatTag=6\nChannels=9\n",
         "FormatTag=1\nChannels=1\nFormatTag=1\nChannels=1\n" + rest},
        {"quoted", "cbSize=\"0\"\n", "cbSize=0\nFormatTag=1\nChannels=1\n" + rest.substr(0, rest.size() - 9)},
        {"mark before a group", bom + "[G]\nFormatTag=7\n", bom + defaultLines + "[G]\nFormatTag=7\n"},
        {"mark before values", bom + "Channels=2\n", bom + "Channels=1\nFormatTag=1\n" + rest},
        {"blanks, comment and CRLF",
         "# R\xE9glages\r\n   Channels  =  2  ; mono?\r\n[W]\r\nT = Gr\xFC\xDF \r\n",
         "# R\xE9glages\r\nChannels=1\r\nFormatTag=1\r\nSamplesPerSec=11025\r\nAvgBytesPerSec=11025\r\n"
         "BlockAlign=1\r\nBitsPerSample=8\r\ncbSize=0\r\n[W]\r\nT = Gr\xFC\xDF \r\n"},
        {"no last line end", "a = $HOME\\x", "a = $HOME\\x\n" + defaultLines},
        {"comments and odd lines", "#FormatTag=3\n; Channels=2\n!BlockAlign=5\nno sign\n\n[A]\nx=1\n[A]\n",
         "#FormatTag=3\n; Channels=2\n!BlockAlign=5\n" + defaultLines + "no sign\n\n[A]\nx=1\n[A]\n"},
        {"only a comment above a group", "# mine\n\n[G]\ncbSize=3\n",
         "# mine\n\n" + defaultLines + "[G]\ncbSize=3\n"},
        {"a lone CR that readers of LF alone read alike", "Note=a\rb\n", "Note=a\rb\n" + defaultLines},
    };
    for (const FileShape& shape : shapes) {
        SCOPED_TRACE(shape.what);
        write_bytes(configFile(), shape.before);
        EXPECT_EQ(export_values(registry_, defaults), succeeded(7));
        EXPECT_EQ(read_bytes(configFile()), shape.after);
    }
}

TEST_F(SettingsFileRegistryTest, TheValuesReachTheFileTogetherAtCloseAndOnlyWhenTheyChangeIt) {
    write_bytes(configFile(), "Keep=1\n");
    struct stat before {};
    ASSERT_EQ(stat(configFile().c_str(), &before), 0);
    HKEY key = nullptr;
    ASSERT_EQ(registry_.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(registry_, key, "Unsigned", 7), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(registry_, key, "Unsigned", 0xFFFFFFFFu), ERROR_SUCCESS);
    EXPECT_EQ(read_bytes(configFile()), "Keep=1\n");
    EXPECT_EQ(registry_.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(read_bytes(configFile()), "Keep=1\nUnsigned=4294967295\n");
    struct stat after {};
    ASSERT_EQ(stat(configFile().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    // Values already stored: the file is not rewritten at all.
    EXPECT_EQ(export_values(registry_, {{"Unsigned", 0xFFFFFFFFu}}), succeeded(1));
    ASSERT_EQ(stat(configFile().c_str(), &before), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(folder_names(configFile().parent_path()), std::vector<std::string>{"PALVEX.conf"});
}

// Left by a Quitter killed before its rename: removed by the next one, even one that rewrites nothing, unless
// still in use or not ours. The user's own files are never taken, whatever their names.
TEST_F(SettingsFileRegistryTest, TheNextQuitRemovesOnlyTheTemporariesLeftByEarlierRuns) {
    write_bytes(configFile(), defaultLines);
    const fs::path folder = configFile().parent_path();
    const std::string ours = ".PALVEX.conf.varnel-unfinished-";
    for (const std::string& name : {ours + "Ab3xYz", ours + "inUse1", ours + "other1", ours + "long123",
                                    std::string(".PALVEX.conf.backup"), std::string(".PALVEX.conf.old001")}) {
        write_bytes(folder / name, "old");
    }
    ASSERT_EQ(chown((folder / (ours + "other1")).c_str(), otherUser, otherUser), 0);
    const int inUse = open((folder / (ours + "inUse1")).c_str(), O_RDONLY);
    ASSERT_EQ(flock(inUse, LOCK_EX), 0);
    EXPECT_EQ(export_values(registry_, defaults), succeeded(7));
    close(inUse);
    EXPECT_EQ(folder_names(folder),
              (std::vector<std::string>{".PALVEX.conf.backup", ".PALVEX.conf.old001", ours + "inUse1",
                                        ours + "long123", ours + "other1", "PALVEX.conf"}));
}

TEST_F(SettingsFileRegistryTest, AKillDuringQuitLeavesEitherTheOldValuesOrTheNewOnesWhole) {
    const std::string other = "[Other]\nKeep=yes\n";
    write_bytes(configFile(), defaultLines + other);
    Values changed = defaults;
    for (auto& [name, value] : changed) {
        value += 1000;
    }
    for (int run = 0; run < 20; ++run) {
        const pid_t child = fork();
        if (child == 0) {
            for (int round = 0;; ++round) {
                SettingsFileRegistry registry;
                if (export_values(registry, round % 2 == 0 ? changed : defaults) != succeeded(7)) {
                    _exit(1);
                }
            }
        }
        // Killed once it has written at least once, wherever it then is in its Quit.
        const std::string start = read_bytes(configFile());
        while (read_bytes(configFile()) == start && waitpid(child, nullptr, WNOHANG) == 0) {
        }
        ASSERT_EQ(kill(child, SIGKILL), 0) << "the exporting child failed";
        waitpid(child, nullptr, 0);
        const std::string now = read_bytes(configFile());
        std::string whole[2] = {defaultLines + other, ""};
        for (const auto& [name, value] : changed) {
            whole[1] += name + "=" + std::to_string(value) + "\n";
        }
        whole[1] += other;
        EXPECT_TRUE(now == whole[0] || now == whole[1]) << now;
    }
}

// Ends this process just before its first call of `call`, as a kill between two steps would.
void end_before(long call) {
    sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(call), 0, 1),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
                            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program);
}

// A hard-linked file is written in place. Killed before each of its writes, truncations and syncs, as it
// grows and as it shrinks, it holds the old value or the new one (blank lines after it at most), and the
// next Quitter takes it.
TEST_F(SettingsFileRegistryTest, AKillAtEachStepOfWritingInPlaceLeavesAFileTheNextQuitTakes) {
    const auto file_with = [](DWORD value) {
        return "FormatTag=" + std::to_string(value) + "\n[Other]\nKeep=yes\n";
    };
    write_bytes(configFile(), "");
    fs::create_hard_link(configFile(), root_ / "linked.conf");
    for (const long step : {SYS_pwrite64, SYS_fsync, SYS_ftruncate}) {
        for (const auto& [from, to] : {std::pair{1u, 123456u}, std::pair{123456u, 1u}}) {
            write_bytes(configFile(), file_with(from));
            const pid_t child = fork();
            if (child == 0) {
                end_before(step);
                SettingsFileRegistry registry;
                _exit(static_cast<int>(export_values(registry, {{"FormatTag", to}}).back()));
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status)) << "not ended before call " << step;
            const std::string now = read_bytes(configFile());
            const std::string kept = now.substr(0, now.find_last_not_of('\n') + 1) + "\n";
            EXPECT_TRUE(kept == file_with(from) || kept == file_with(to)) << now;
            EXPECT_EQ(export_values(registry_, {{"FormatTag", to}}), succeeded(1));
        }
    }
}

// Quitter as a user runs it: as another user than root when the tests run as root, its standard error in
// `errors`. True when every step succeeded.
bool export_as_user(const fs::path& errors) {
    const pid_t child = fork();
    if (child == 0) {
        const bool dropped =
            dup2(open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO) >= 0 &&
            (geteuid() != 0 ||
             (setgroups(0, nullptr) == 0 && setgid(otherUser) == 0 && setuid(otherUser) == 0));
        SettingsFileRegistry registry;
        _exit(dropped && export_values(registry, defaults) == succeeded(7) ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Place {
    const char* what;
    std::string before;
    std::string after; // the same as before: not saved, and one line on standard error says so
    std::function<bool(const fs::path& file)> make = [](const fs::path&) { return true; }; // false: not here
};

// Shapes and places where values or bytes were once lost. Each file keeps its owner and group, nothing is
// left beside it, and its other names see what it holds.
TEST_F(SettingsFileRegistryTest, EachShapeAndPlaceKeepsEveryByteAndTakesTheValuesOrSaysWhyNot) {
    const std::string mine = "# mine\n";
    const std::vector<Place> places = {
        {"lone CR line ends", "Channels=2\rUserKey=keep me\r[Other]\rx=1\r",
         "Channels=1\rUserKey=keep me\rFormatTag=1\rSamplesPerSec=11025\rAvgBytesPerSec=11025\rBlockAlign=1\r"
         "BitsPerSample=8\rcbSize=0\r[Other]\rx=1\r"},
        {"lone CRs and LFs, whose lines readers split differently", "Note=a\rChannels=5\n",
         "Note=a\rChannels=5\n"},
        {"other hard links", mine, mine + defaultLines,
         [&](const fs::path& file) { return link(file.c_str(), (root_ / "linked").c_str()) == 0; }},
        {"a folder we may not write", mine, mine + defaultLines,
         [](const fs::path& file) { return chmod(file.parent_path().c_str(), 0555) == 0; }},
        {"another user's file that we may write", mine, mine + defaultLines,
         [](const fs::path& file) {
             return geteuid() == 0 && chown(file.c_str(), 0, 0) == 0 && chmod(file.c_str(), 0666) == 0;
         }},
    };
    ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
    for (const Place& place : places) {
        SCOPED_TRACE(place.what);
        write_bytes(configFile(), place.before);
        for (const fs::path& path : {configHome_, configFile().parent_path(), configFile()}) {
            ASSERT_TRUE(geteuid() != 0 || chown(path.c_str(), otherUser, otherUser) == 0);
        }
        struct stat before {};
        struct stat after {};
        if (place.make(configFile()) && stat(configFile().c_str(), &before) == 0) { // made only where we may
            const bool saved = export_as_user(root_ / "errors");
            const std::string errors = read_bytes(root_ / "errors");
            EXPECT_EQ(saved, place.after != place.before);
            EXPECT_EQ(read_bytes(configFile()), place.after);
            EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), saved ? 0 : 1) << errors;
            EXPECT_EQ(folder_names(configFile().parent_path()), std::vector<std::string>{"PALVEX.conf"});
            ASSERT_EQ(stat(configFile().c_str(), &after), 0);
            EXPECT_TRUE(after.st_uid == before.st_uid && after.st_gid == before.st_gid);
            EXPECT_EQ(fs::exists(root_ / "linked") ? read_bytes(root_ / "linked") : place.after, place.after);
        }
        chmod(configFile().parent_path().c_str(), 0755);
        fs::remove_all(configHome_);
        fs::remove(root_ / "linked");
    }
}

TEST_F(SettingsFileRegistryTest, ALockHeldByAnotherProgramDoesNotHoldUpQuit) {
    write_bytes(configFile(), "");
    write_bytes(configFile().string() + ".lock", "");
    std::vector<int> held;
    for (const fs::path& locked : {configFile(), fs::path(configFile().string() + ".lock")}) {
        held.push_back(open(locked.c_str(), O_RDONLY));
        ASSERT_EQ(flock(held.back(), LOCK_EX), 0);
    }
    EXPECT_EQ(export_values(registry_, defaults), succeeded(7));
    EXPECT_EQ(read_bytes(configFile()), defaultLines);
    for (const int fd : held) {
        close(fd);
    }
}

TEST_F(SettingsFileRegistryTest, AFileSizeLimitFailsTheWriteAndLeavesTheFile) {
    const std::string original = "# " + std::string(200, 'x') + "\n";
    write_bytes(configFile(), original);
    // In a child, with the signal's default action: the status comes back as the exit status, what it says
    // through a pipe (a file would meet the size limit too).
    int said[2];
    ASSERT_EQ(pipe(said), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(said[1], STDERR_FILENO);
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        SettingsFileRegistry registry;
        _exit(static_cast<int>(export_values(registry, defaults).back()));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), ERROR_WRITE_FAULT);
    close(said[1]);
    char line[512] = {};
    EXPECT_GT(read(said[0], line, sizeof line - 1), 0);
    close(said[0]);
    EXPECT_EQ(std::string(line), "varnel: settings not saved, " + configFile().string() +
                                     " left as it is: it could not be written: File too large\n");
    EXPECT_EQ(read_bytes(configFile()), original);
    EXPECT_EQ(folder_names(configFile().parent_path()), std::vector<std::string>{"PALVEX.conf"});
}

TEST_F(SettingsFileRegistryTest, LinksAreFollowedOnlyWhenTheyBelongToUsOrToRoot) {
    // A shared folder, as /tmp is: anyone may add to it, only owners may remove.
    fs::create_directories(configFile().parent_path());
    ASSERT_EQ(chmod(configHome_.c_str(), 01777), 0);
    const fs::path shelf = root_ / "private";
    // The settings file as a link, then its folder.
    const std::vector<std::pair<fs::path, fs::path>> links = {{configFile(), shelf / "palvex.conf"},
                                                              {configFile().parent_path(), shelf}};
    for (const auto& [link, to] : links) {
        SCOPED_TRACE(link);
        const fs::path real = link == configFile() ? to : to / "PALVEX.conf";
        write_bytes(real, "# mine\n");
        ASSERT_EQ(chmod(real.c_str(), 0640), 0);
        fs::remove_all(link);
        fs::create_symlink(to, link);
        ASSERT_EQ(lchown(link.c_str(), otherUser, otherUser), 0);
        EXPECT_EQ(export_values(registry_, defaults), std::vector<LSTATUS>{ERROR_ACCESS_DENIED});
        EXPECT_EQ(read_bytes(real), "# mine\n");

        ASSERT_EQ(lchown(link.c_str(), geteuid(), getegid()), 0);
        EXPECT_EQ(export_values(registry_, defaults), succeeded(7));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(read_bytes(real), "# mine\n" + defaultLines);
        struct stat info {};
        ASSERT_EQ(stat(real.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(folder_names(real.parent_path()), std::vector<std::string>{real.filename()});
        fs::remove_all(shelf);
    }
}

TEST_F(SettingsFileRegistryTest, TheFileKeepsItsAclAndExtendedAttributes) {
    write_bytes(configFile(), "");
    const std::string origin = "https://example.org/palvex";
    acl_t acl = acl_from_text("u::rw-,u:65534:rw-,g::r--,m::rw-,o::---");
    const bool supported =
        setxattr(configFile().c_str(), "user.origin", origin.data(), origin.size(), 0) == 0 &&
        acl_set_file(configFile().c_str(), ACL_TYPE_ACCESS, acl) == 0;
    acl_free(acl);
    if (!supported) {
        GTEST_SKIP() << "the temporary folder's file system takes no user attributes or ACLs";
    }
    const std::string aclBefore = acl_text(configFile());
    EXPECT_EQ(export_values(registry_, defaults), succeeded(7));
    EXPECT_EQ(read_bytes(configFile()), defaultLines);
    EXPECT_EQ(acl_text(configFile()), aclBefore);
    char value[64] = {};
    EXPECT_EQ(getxattr(configFile().c_str(), "user.origin", value, sizeof value),
              static_cast<ssize_t>(origin.size()));
    EXPECT_EQ(value, origin);
}

TEST_F(SettingsFileRegistryTest, TheFileKeepsItsSetuidAndSetgidBits) {
    write_bytes(configFile(), "");
    ASSERT_EQ(chmod(configFile().c_str(), 06755), 0);
    EXPECT_EQ(export_values(registry_, defaults), succeeded(7));
    struct stat info {};
    ASSERT_EQ(stat(configFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 06755u);
}

TEST_F(SettingsFileRegistryTest, AReadOnlyFileIsLeftAloneEvenByRoot) {
    write_bytes(configFile(), "keep=1\n");
    ASSERT_EQ(chmod(configFile().c_str(), 0444), 0);
    EXPECT_EQ(export_values(registry_, defaults), std::vector<LSTATUS>{ERROR_ACCESS_DENIED});
    EXPECT_EQ(read_bytes(configFile()), "keep=1\n");
}

TEST_F(SettingsFileRegistryTest, RefusedValuesAndHandlesChangeNothingAndDoNotStopTheOthers) {
    write_bytes(configFile(), "");
    HKEY key = nullptr;
    ASSERT_EQ(registry_.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const BYTE four[4] = {1, 0, 0, 0};
    EXPECT_EQ(registry_.RegSetValueExA(key, "FormatTag", 0, 1, four, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry_.RegSetValueExA(key, "FormatTag", 0, REG_DWORD, four, 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry_.RegSetValueExA(key, "FormatTag", 1, REG_DWORD, four, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry_.RegSetValueExA(key, "FormatTag", 0, REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry_.RegSetValueExA(key, nullptr, 0, REG_DWORD, four, 4), ERROR_INVALID_PARAMETER);
    for (const char* name :
         {"", "a/b", "!frozen", "two\nlines", "caf\xC3\xA9", " padded", "odd = [name];#"}) {
        EXPECT_EQ(set_dword(registry_, key, name, 1), ERROR_INVALID_PARAMETER) << name;
    }
    EXPECT_EQ(set_dword(registry_, HKEY_CURRENT_USER, "FormatTag", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(set_dword(registry_, key, "Plain_Name_2", 2), ERROR_SUCCESS);
    EXPECT_EQ(registry_.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(registry_.RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(set_dword(registry_, key, "FormatTag", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(read_bytes(configFile()), "Plain_Name_2=2\n");
}

TEST_F(SettingsFileRegistryTest, FilesThatAreNotTextAreLeftAlone) {
    for (const std::string& notText : {std::string("\xFF\xFE[\0G\0]\0\n\0", 10), std::string(5 << 20, '#')}) {
        write_bytes(configFile(), notText);
        EXPECT_EQ(export_values(registry_, defaults), std::vector<LSTATUS>{ERROR_BADDB});
        EXPECT_EQ(read_bytes(configFile()), notText);
    }
}

TEST_F(SettingsFileRegistryTest, ARelativeOrMissingConfigHomeMeansDotConfigInHome) {
    const fs::path home = root_ / "home";
    write_bytes(home / ".config" / "Ostrel" / "PALVEX.conf", "");
    write_bytes(root_ / "relative" / "Ostrel" / "PALVEX.conf", "");
    const fs::path previous = fs::current_path();
    fs::current_path(root_);
    setenv("HOME", home.c_str(), 1);
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative"}) {
        value ? setenv("XDG_CONFIG_HOME", value, 1) : unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(export_values(registry_, {{"FormatTag", 1}}), succeeded(1));
        EXPECT_EQ(read_bytes(home / ".config" / "Ostrel" / "PALVEX.conf"), "FormatTag=1\n");
        write_bytes(home / ".config" / "Ostrel" / "PALVEX.conf", "");
    }
    EXPECT_EQ(read_bytes(root_ / "relative" / "Ostrel" / "PALVEX.conf"), "");
    // Nor a relative HOME: the account's home folder is taken, and the one below the working folder is not.
    setenv("HOME", "home", 1);
    unsetenv("XDG_CONFIG_HOME");
    HKEY key = nullptr;
    const LSTATUS status = registry_.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key);
    fs::current_path(previous);
    if (status == ERROR_SUCCESS) {
        registry_.RegCloseKey(key);
        GTEST_SKIP() << "the account itself has the settings file";
    }
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
}

} // namespace
