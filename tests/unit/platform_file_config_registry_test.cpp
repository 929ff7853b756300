// The registry over settings files, against real files in a private config folder.
#include "platform/FileConfigRegistry.h"
#include "platform/config_paths.h"
#include "platform/config_text.h"

#include <gtest/gtest.h>

#include <wx/debug.h>
#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/log.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* keyPath = "Software\\Ostrel\\PALVEX";

using Values = std::vector<std::pair<std::string, DWORD>>;

const Values defaults = {{"FormatTag", 1},
                         {"Channels", 1},
                         {"SamplesPerSec", 11025},
                         {"AvgBytesPerSec", 11025},
                         {"BlockAlign", 1},
                         {"BitsPerSample", 8},
                         {"cbSize", 0}};

constexpr const char* defaultLines = "FormatTag=1\nChannels=1\nSamplesPerSec=11025\nAvgBytesPerSec=11025\n"
                                     "BlockAlign=1\nBitsPerSample=8\ncbSize=0\n";

// The registry itself needs no wx set-up, but the stock file-based wxFileConfig the checks read with does.
class WxEnvironment : public ::testing::Environment {
public:
    void SetUp() override { initializer_ = std::make_unique<wxInitializer>(); }
    void TearDown() override { initializer_.reset(); }

private:
    std::unique_ptr<wxInitializer> initializer_;
};

[[maybe_unused]] ::testing::Environment* const wxEnvironment =
    ::testing::AddGlobalTestEnvironment(new WxEnvironment);

LSTATUS set_dword(RegistryApi& registry, HKEY key, const std::string& name, DWORD value) {
    // Little-endian whatever the host, as the caller lays the value out.
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return registry.RegSetValueExA(key, name.c_str(), 0, REG_DWORD, bytes, 4);
}

struct ExportResult {
    LSTATUS open = -1;
    std::vector<LSTATUS> sets;
    LSTATUS close = -1;

    bool allSucceeded() const {
        return open == ERROR_SUCCESS && close == ERROR_SUCCESS &&
               std::all_of(sets.begin(), sets.end(), [](LSTATUS s) { return s == ERROR_SUCCESS; });
    }
};

// What the program does on Quit: open, one write a value, close.
ExportResult export_values(RegistryApi& registry, const Values& values, const char* subKey = keyPath) {
    ExportResult result;
    HKEY key = nullptr;
    result.open = registry.RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key);
    if (result.open != ERROR_SUCCESS) {
        return result;
    }
    for (const auto& [name, value] : values) {
        result.sets.push_back(set_dword(registry, key, name, value));
    }
    result.close = registry.RegCloseKey(key);
    return result;
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

// What another program reading the file with a stock wxFileConfig gets.
std::optional<std::string> read_with_wx(const fs::path& file, const std::string& group,
                                        const std::string& name) {
    wxLogNull noLog;
    wxFileConfig config(wxEmptyString, wxEmptyString, file.string(), wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    config.SetPath(group.empty() ? wxString("/") : wxString(group));
    wxString value;
    if (!config.Read(name, &value)) {
        return std::nullopt;
    }
    return std::string(value.utf8_str());
}

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Runs `body` in a child process as an unprivileged user: as root, permission bits do not stop reads or
// writes, so root drops to "nobody" first. The child's results come back through a pipe; empty when
// privileges could not be dropped.
std::optional<std::vector<LSTATUS>> run_unprivileged(const std::function<std::vector<LSTATUS>()>& body) {
    int channel[2];
    if (pipe(channel) != 0) {
        return std::nullopt;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(77);
        }
        const std::vector<LSTATUS> results = body();
        const ssize_t size = static_cast<ssize_t>(results.size() * sizeof(LSTATUS));
        _exit(write(channel[1], results.data(), static_cast<std::size_t>(size)) == size ? 0 : 1);
    }
    close(channel[1]);
    std::vector<LSTATUS> results;
    LSTATUS status = 0;
    while (read(channel[0], &status, sizeof status) == static_cast<ssize_t>(sizeof status)) {
        results.push_back(status);
    }
    close(channel[0]);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    if (!WIFEXITED(exitStatus) || WEXITSTATUS(exitStatus) != 0) {
        return std::nullopt;
    }
    return results;
}

class FileConfigRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "varnel-registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        // Traversable by the unprivileged child of the permission tests.
        fs::permissions(root_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        home_ = root_ / "home";
        configHome_ = root_ / "config";
        fs::create_directories(home_);
        xdg_.emplace("XDG_CONFIG_HOME", configHome_.c_str());
        home_env_.emplace("HOME", home_.c_str());
    }

    void TearDown() override {
        xdg_.reset();
        home_env_.reset();
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(root_, ignored);
    }

    fs::path configFile() const { return configHome_ / "Ostrel" / "PALVEX.conf"; }
    fs::path orgFolder() const { return configHome_ / "Ostrel"; }

    // Hands a path over to the user run_unprivileged runs as.
    static void giveToUnprivileged(const fs::path& path) {
        if (geteuid() == 0) {
            ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        }
    }

    fs::path root_;
    fs::path home_;
    fs::path configHome_;
    std::optional<ScopedEnv> xdg_;
    std::optional<ScopedEnv> home_env_;
};

// --- Opening ---------------------------------------------------------------------------------------------

TEST_F(FileConfigRegistryTest, OpeningAMissingKeyCreatesNothing) {
    FileConfigRegistry registry;
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(fs::exists(configHome_));

    fs::create_directories(orgFolder());
    EXPECT_EQ(export_values(registry, defaults).open, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(folder_names(orgFolder()).empty());

    write_bytes(configFile(), "[Sub]\nx=1\n");
    EXPECT_EQ(export_values(registry, defaults, "Software\\Ostrel\\PALVEX\\Other").open,
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(export_values(registry, defaults, "Software\\Ostrel\\PALVEX\\Sub\\Deeper").open,
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(read_bytes(configFile()), "[Sub]\nx=1\n");
    EXPECT_EQ(folder_names(orgFolder()), std::vector<std::string>{"PALVEX.conf"});
}

TEST_F(FileConfigRegistryTest, KeyPathsThatCouldLeaveTheConfigFolderOrAreMalformedAreNotFound) {
    write_bytes(configFile(), "");
    // Files that a path with ".." would reach if it were taken literally.
    write_bytes(configHome_ / "Ostrel.conf", "");
    write_bytes(root_ / "PALVEX.conf", "");
    const char* badPaths[] = {
        "",
        "Software",
        "Software\\Ostrel",
        "Software\\\\Ostrel\\PALVEX",
        "\\Software\\Ostrel\\PALVEX",
        "Software\\Ostrel\\PALVEX\\",
        "Software\\Ostrel\\PALVEX\\\\",
        "Software\\..\\Ostrel",
        "Software\\..\\Ostrel\\PALVEX",
        "Software\\Ostrel\\..\\..\\PALVEX",
        "Software\\Ostrel\\PALVEX\\..",
        "Software\\Ostrel\\.",
        "Software\\.\\Ostrel\\PALVEX",
        "Software\\Ostrel/..\\PALVEX",
        "Software\\Ostrel\\PALVEX/x",
        "Hardware\\Ostrel\\PALVEX",
        "Software/Ostrel/PALVEX",
    };
    FileConfigRegistry registry;
    for (const char* path : badPaths) {
        SCOPED_TRACE(path);
        HKEY key = nullptr;
        EXPECT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key),
                  ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(key, nullptr);
    }
    HKEY key = nullptr;
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.RegOpenKeyExA(predefinedKey(0x80000002u), keyPath, 0, KEY_ALL_ACCESS, &key),
              ERROR_BADKEY);
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, nullptr),
              ERROR_INVALID_PARAMETER);

    // The first component is matched as the registry does, without regard to case.
    ExportResult lower = export_values(registry, defaults, "SOFTWARE\\Ostrel\\PALVEX");
    EXPECT_TRUE(lower.allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), defaultLines);
    EXPECT_EQ(read_bytes(configHome_ / "Ostrel.conf"), "");
    EXPECT_EQ(read_bytes(root_ / "PALVEX.conf"), "");
}

TEST_F(FileConfigRegistryTest, AFolderADanglingLinkOrAPipeInPlaceOfTheFileIsNotFound) {
    FileConfigRegistry registry;

    fs::create_directories(configFile());
    EXPECT_EQ(export_values(registry, defaults).open, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(fs::is_empty(configFile()));
    fs::remove(configFile());

    fs::create_symlink(root_ / "nowhere.conf", configFile());
    EXPECT_EQ(export_values(registry, defaults).open, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(root_ / "nowhere.conf"));
    EXPECT_TRUE(fs::is_symlink(configFile()));
    fs::remove(configFile());

    // Opening a FIFO for reading would wait for a writer forever.
    ASSERT_EQ(mkfifo(configFile().c_str(), 0644), 0);
    EXPECT_EQ(export_values(registry, defaults).open, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(folder_names(orgFolder()), std::vector<std::string>{"PALVEX.conf"});
}

// --- Writing ---------------------------------------------------------------------------------------------

TEST_F(FileConfigRegistryTest, DefaultsAreWrittenAsDecimalValuesThatAStockReaderGetsBack) {
    write_bytes(configFile(), "");
    FileConfigRegistry registry;
    const ExportResult result = export_values(registry, defaults);
    EXPECT_TRUE(result.allSucceeded());
    EXPECT_EQ(result.sets.size(), 7u);
    EXPECT_EQ(read_bytes(configFile()), defaultLines);
    for (const auto& [name, value] : defaults) {
        EXPECT_EQ(read_with_wx(configFile(), "", name), std::to_string(value)) << name;
    }

    // Values are unsigned: the top bit is not a sign.
    HKEY key = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(registry, key, "Big", 0xFFFFFFFFu), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(registry, key, "Bytes", 0x04030201u), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(read_with_wx(configFile(), "", "Big"), "4294967295");
    EXPECT_EQ(read_with_wx(configFile(), "", "Bytes"), "67305985");
}

TEST_F(FileConfigRegistryTest, EverythingElseInTheFileKeepsItsBytes) {
    // Odd spacing, comments, UTF-8 text, blank lines, groups, a value line changed in place and a last line
    // without a line ending.
    const std::string original = "# Réglages d'Ostrel — ne pas éditer\n"
                                 "   Channels   =   2   ; mono?\n"
                                 "\n"
                                 "\t; indented comment\n"
                                 "[Window]\n"
                                 "  Title = Grüße aus Köln  \n"
                                 "FormatTag=77\n"
                                 "\n"
                                 "[Recent/Files]\n"
                                 "1 = /home/ütë/Über Aufnahme.wav\n"
                                 "Last=no line ending";
    write_bytes(configFile(), original);
    FileConfigRegistry registry;
    EXPECT_TRUE(export_values(registry, defaults).allSucceeded());

    const std::string expected = "# Réglages d'Ostrel — ne pas éditer\n"
                                 "Channels=1\n"
                                 "FormatTag=1\n"
                                 "SamplesPerSec=11025\n"
                                 "AvgBytesPerSec=11025\n"
                                 "BlockAlign=1\n"
                                 "BitsPerSample=8\n"
                                 "cbSize=0\n"
                                 "\n"
                                 "\t; indented comment\n"
                                 "[Window]\n"
                                 "  Title = Grüße aus Köln  \n"
                                 "FormatTag=77\n"
                                 "\n"
                                 "[Recent/Files]\n"
                                 "1 = /home/ütë/Über Aufnahme.wav\n"
                                 "Last=no line ending";
    EXPECT_EQ(read_bytes(configFile()), expected);
    EXPECT_EQ(read_with_wx(configFile(), "/Window", "Title"), "Grüße aus Köln  ");
    EXPECT_EQ(read_with_wx(configFile(), "/Window", "FormatTag"), "77");
}

TEST_F(FileConfigRegistryTest, LineEndingsAByteOrderMarkAndOtherEncodingsAreKept) {
    write_bytes(configFile(), "\xEF\xBB\xBF[G]\r\nx = 1\r\n");
    FileConfigRegistry registry;
    EXPECT_TRUE(export_values(registry, {{"FormatTag", 1}, {"Channels", 2}}).allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), "\xEF\xBB\xBF"
                                        "FormatTag=1\r\nChannels=2\r\n[G]\r\nx = 1\r\n");
    EXPECT_EQ(read_with_wx(configFile(), "", "Channels"), "2");
    EXPECT_EQ(read_with_wx(configFile(), "/G", "x"), "1");

    // Appending after a last line without a line ending gives that line one; the file still ends as it did.
    write_bytes(configFile(), "a=1\r\nb=2");
    EXPECT_TRUE(export_values(registry, {{"FormatTag", 1}, {"Channels", 2}}).allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), "a=1\r\nb=2\r\nFormatTag=1\r\nChannels=2");

    // Text that is not UTF-8 goes through byte for byte.
    write_bytes(configFile(), "; caf\xE9\nname=Fran\xE7ois\n");
    EXPECT_TRUE(export_values(registry, {{"FormatTag", 1}}).allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), "; caf\xE9\nname=Fran\xE7ois\nFormatTag=1\n");

    // Mixed endings: each untouched line keeps its own.
    write_bytes(configFile(), "a=1\r\nb=2\nc=3\rd=4\n");
    EXPECT_TRUE(export_values(registry, {{"b", 5}, {"c", 6}}).allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), "a=1\r\nb=5\nc=6\rd=4\n");
}

TEST_F(FileConfigRegistryTest, ValuesAlreadyStoredAreReplacedInPlaceOrLeftAlone) {
    write_bytes(configFile(), "x=1\nChannels = 2\ny=2\ncbSize=9\n[Other]\nChannels=5\n");
    FileConfigRegistry registry;
    EXPECT_TRUE(export_values(registry, {{"Channels", 1}, {"cbSize", 0}}).allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), "x=1\nChannels=1\ny=2\ncbSize=0\n[Other]\nChannels=5\n");

    // Writing what is already there does not rewrite the file at all.
    struct stat before {};
    ASSERT_EQ(stat(configFile().c_str(), &before), 0);
    EXPECT_TRUE(export_values(registry, {{"Channels", 1}, {"cbSize", 0}}).allSucceeded());
    struct stat after {};
    ASSERT_EQ(stat(configFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // A value changed by a write is a new file (the old one replaced by rename), never one rewritten in
    // place.
    EXPECT_TRUE(export_values(registry, {{"Channels", 3}}).allSucceeded());
    ASSERT_EQ(stat(configFile().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
}

TEST_F(FileConfigRegistryTest, DeeperKeysAreGroupsInTheFile) {
    const std::string original = "top=1\n[Sub]\na=1\n[Sub/Deeper]\nb=2\n[Tail]\nc=3\n";
    write_bytes(configFile(), original);
    FileConfigRegistry registry;
    EXPECT_TRUE(export_values(registry, {{"FormatTag", 4}, {"b", 5}}, "Software\\Ostrel\\PALVEX\\Sub\\Deeper")
                    .allSucceeded());
    EXPECT_EQ(read_bytes(configFile()), "top=1\n[Sub]\na=1\n[Sub/Deeper]\nb=5\nFormatTag=4\n[Tail]\nc=3\n");
    EXPECT_EQ(read_with_wx(configFile(), "/Sub/Deeper", "FormatTag"), "4");
    EXPECT_EQ(read_with_wx(configFile(), "", "FormatTag"), std::nullopt);

    // The group went away between opening and writing: nothing is made up for it.
    HKEY key = nullptr;
    ASSERT_EQ(
        registry.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Ostrel\\PALVEX\\Tail", 0, KEY_ALL_ACCESS, &key),
        ERROR_SUCCESS);
    write_bytes(configFile(), original.substr(0, original.find("[Tail]")));
    EXPECT_EQ(set_dword(registry, key, "c", 4), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(read_bytes(configFile()), original.substr(0, original.find("[Tail]")));
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);

    // A group that exists only as the parent of another has no header line; wxFileConfig would add one
    // along with the value, more than a single line, so the write is refused and the file left alone.
    write_bytes(configFile(), "[Only/Child]\nb=2\n");
    const ExportResult implicit = export_values(registry, {{"x", 1}}, "Software\\Ostrel\\PALVEX\\Only");
    EXPECT_EQ(implicit.open, ERROR_SUCCESS);
    EXPECT_EQ(implicit.sets, std::vector<LSTATUS>{ERROR_BADDB});
    EXPECT_EQ(read_bytes(configFile()), "[Only/Child]\nb=2\n");
}

TEST_F(FileConfigRegistryTest, ALinkedFileIsUpdatedWhereItLivesAndKeepsItsPermissions) {
    const fs::path target = root_ / "dotfiles" / "palvex.conf";
    write_bytes(target, "# mine\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    fs::create_directories(orgFolder());
    fs::create_symlink(target, configFile());

    FileConfigRegistry registry;
    EXPECT_TRUE(export_values(registry, defaults).allSucceeded());
    EXPECT_TRUE(fs::is_symlink(configFile()));
    EXPECT_EQ(fs::read_symlink(configFile()), target);
    EXPECT_EQ(read_bytes(target), std::string(defaultLines) + "# mine\n");
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // The lock sits beside the real file; no temporary file is left anywhere.
    EXPECT_EQ(folder_names(target.parent_path()),
              (std::vector<std::string>{"palvex.conf", "palvex.conf.lock"}));
    EXPECT_EQ(folder_names(orgFolder()), std::vector<std::string>{"PALVEX.conf"});
}

// --- Rejected writes -------------------------------------------------------------------------------------

TEST_F(FileConfigRegistryTest, RejectedWritesChangeNothingAndDoNotStopLaterOnes) {
    write_bytes(configFile(), "keep=1\n");
    FileConfigRegistry registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const BYTE four[4] = {1, 0, 0, 0};
    constexpr DWORD regSz = 1;
    EXPECT_EQ(registry.RegSetValueExA(key, "FormatTag", 0, regSz, four, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.RegSetValueExA(key, "FormatTag", 0, REG_DWORD, four, 2), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.RegSetValueExA(key, "FormatTag", 0, REG_DWORD, four, 8), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.RegSetValueExA(key, "FormatTag", 0, REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.RegSetValueExA(key, "FormatTag", 1, REG_DWORD, four, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(registry.RegSetValueExA(key, nullptr, 0, REG_DWORD, four, 4), ERROR_INVALID_PARAMETER);
    for (const char* name : {"", "a/b", "!immutable", "two\nlines", "caf\xC3\xA9", " padded", "padded "}) {
        EXPECT_EQ(set_dword(registry, key, name, 1), ERROR_INVALID_PARAMETER) << name;
    }
    EXPECT_EQ(read_bytes(configFile()), "keep=1\n");
    // Nothing was attempted, so not even the lock file was made.
    EXPECT_EQ(folder_names(orgFolder()), std::vector<std::string>{"PALVEX.conf"});

    EXPECT_EQ(set_dword(registry, key, "FormatTag", 1), ERROR_SUCCESS);
    EXPECT_EQ(set_dword(registry, key, "odd = [name];#", 2), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(read_with_wx(configFile(), "", "FormatTag"), "1");
    EXPECT_EQ(read_with_wx(configFile(), "", "odd = [name];#"), "2");
    EXPECT_EQ(read_with_wx(configFile(), "", "keep"), "1");
}

TEST_F(FileConfigRegistryTest, HandlesThatAreNotOpenKeysAreRefused) {
    write_bytes(configFile(), "keep=1\n");
    FileConfigRegistry registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    HKEY other = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &other), ERROR_SUCCESS);
    EXPECT_NE(key, other);

    int notAKey = 0;
    EXPECT_EQ(set_dword(registry, reinterpret_cast<HKEY>(&notAKey), "FormatTag", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(set_dword(registry, nullptr, "FormatTag", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(set_dword(registry, HKEY_CURRENT_USER, "FormatTag", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegCloseKey(reinterpret_cast<HKEY>(&notAKey)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(set_dword(registry, key, "FormatTag", 1), ERROR_INVALID_HANDLE);
    EXPECT_EQ(read_bytes(configFile()), "keep=1\n");
    EXPECT_EQ(folder_names(orgFolder()), std::vector<std::string>{"PALVEX.conf"});

    // The other key still works; it is left open for the registry to free.
    EXPECT_EQ(set_dword(registry, other, "FormatTag", 1), ERROR_SUCCESS);
    EXPECT_EQ(read_bytes(configFile()), "keep=1\nFormatTag=1\n");
}

// --- Files that are not ordinary settings -----------------------------------------------------------------

TEST_F(FileConfigRegistryTest, OddButReadableFilesKeepEveryLineAndRaiseNoAssertion) {
    // A repeated group header makes wxFileConfig assert, which in the program would be a dialog.
    const std::string original = "[Unclosed\n"
                                 "no equals sign here\n"
                                 "=no name\n"
                                 "[A]\nx=1\n[B]\ny=1\n[A]\nz=1\n"
                                 "]stray\n";
    write_bytes(configFile(), original);
    static int assertions = 0;
    assertions = 0;
    const wxAssertHandler_t previous = wxSetAssertHandler(
        [](const wxString&, int, const wxString&, const wxString&, const wxString&) { ++assertions; });
    {
        FileConfigRegistry registry;
        EXPECT_TRUE(export_values(registry, defaults).allSucceeded());
        EXPECT_TRUE(export_values(registry, {{"w", 7}}, "Software\\Ostrel\\PALVEX\\A").allSucceeded());
    }
    const wxAssertHandler_t restored = wxSetAssertHandler(previous);
    EXPECT_EQ(assertions, 0);
    EXPECT_NE(restored, nullptr);

    // "=no name" is an entry without a name to wxFileConfig, so new values follow it.
    EXPECT_EQ(read_bytes(configFile()), "[Unclosed\nno equals sign here\n=no name\n" +
                                            std::string(defaultLines) +
                                            "[A]\nx=1\n[B]\ny=1\n[A]\nz=1\nw=7\n]stray\n");
}

TEST_F(FileConfigRegistryTest, AValueTheFileMarksImmutableIsReportedNotSilentlyKept) {
    write_bytes(configFile(), "!FormatTag=5\n");
    FileConfigRegistry registry;
    const ExportResult result = export_values(registry, defaults);
    ASSERT_EQ(result.sets.size(), 7u);
    EXPECT_NE(result.sets[0], ERROR_SUCCESS);
    EXPECT_TRUE(std::all_of(result.sets.begin() + 1, result.sets.end(),
                            [](LSTATUS s) { return s == ERROR_SUCCESS; }));
    EXPECT_EQ(read_bytes(configFile()),
              "!FormatTag=5\nChannels=1\nSamplesPerSec=11025\nAvgBytesPerSec=11025\n"
              "BlockAlign=1\nBitsPerSample=8\ncbSize=0\n");
}

TEST_F(FileConfigRegistryTest, BinaryOrHugeFilesAreNotTouched) {
    FileConfigRegistry registry;
    const std::string utf16("\xFF\xFE[\0G\0]\0\n\0", 10);
    write_bytes(configFile(), utf16);
    EXPECT_EQ(export_values(registry, defaults).open, ERROR_BADDB);
    EXPECT_EQ(read_bytes(configFile()), utf16);

    const std::string huge(5 * 1024 * 1024, '#');
    write_bytes(configFile(), huge);
    EXPECT_EQ(export_values(registry, defaults).open, ERROR_BADDB);
    EXPECT_EQ(read_bytes(configFile()).size(), huge.size());

    // Turned binary after the key was opened: the write is refused instead.
    write_bytes(configFile(), "a=1\n");
    HKEY key = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    write_bytes(configFile(), utf16);
    EXPECT_EQ(set_dword(registry, key, "FormatTag", 1), ERROR_BADDB);
    EXPECT_EQ(read_bytes(configFile()), utf16);
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
}

// --- Permissions and failing writes -----------------------------------------------------------------------

TEST_F(FileConfigRegistryTest, AnUnreadableFileIsAccessDenied) {
    write_bytes(configFile(), "secret=1\n");
    ASSERT_EQ(chmod(configFile().c_str(), 0), 0);
    giveToUnprivileged(configFile());
    const auto results = run_unprivileged([] {
        FileConfigRegistry registry;
        return std::vector<LSTATUS>{export_values(registry, defaults).open};
    });
    if (!results) {
        GTEST_SKIP() << "cannot run as an unprivileged user here, and permissions do not bind root";
    }
    EXPECT_EQ(*results, std::vector<LSTATUS>{ERROR_ACCESS_DENIED});
    ASSERT_EQ(chmod(configFile().c_str(), 0600), 0);
    EXPECT_EQ(read_bytes(configFile()), "secret=1\n");
}

TEST_F(FileConfigRegistryTest, AReadOnlyFileIsNotReplacedEvenInAWritableFolder) {
    write_bytes(configFile(), "keep=1\n");
    ASSERT_EQ(chmod(configFile().c_str(), 0444), 0);
    giveToUnprivileged(orgFolder());
    giveToUnprivileged(configFile());
    const auto results = run_unprivileged([] {
        FileConfigRegistry registry;
        const ExportResult result = export_values(registry, {{"FormatTag", 1}});
        return std::vector<LSTATUS>{result.open, result.sets.empty() ? -1 : result.sets[0]};
    });
    if (!results) {
        GTEST_SKIP() << "cannot run as an unprivileged user here, and permissions do not bind root";
    }
    EXPECT_EQ(*results, (std::vector<LSTATUS>{ERROR_SUCCESS, ERROR_ACCESS_DENIED}));
    EXPECT_EQ(read_bytes(configFile()), "keep=1\n");
    EXPECT_EQ(folder_names(orgFolder()), (std::vector<std::string>{"PALVEX.conf", "PALVEX.conf.lock"}));
}

TEST_F(FileConfigRegistryTest, AFolderWeCannotWriteFailsTheWriteAndKeepsTheFile) {
    write_bytes(configFile(), "keep=1\n");
    giveToUnprivileged(configFile());
    ASSERT_EQ(chmod(orgFolder().c_str(), 0555), 0);
    // Once without a lock file (it cannot be made), once with one left by an earlier run (then the
    // temporary file is what cannot be made).
    for (bool lockFileExists : {false, true}) {
        SCOPED_TRACE(lockFileExists);
        if (lockFileExists) {
            ASSERT_EQ(chmod(orgFolder().c_str(), 0755), 0);
            write_bytes(orgFolder() / "PALVEX.conf.lock", "");
            ASSERT_EQ(chmod(orgFolder().c_str(), 0555), 0);
        }
        const auto results = run_unprivileged([] {
            FileConfigRegistry registry;
            const ExportResult result = export_values(registry, defaults);
            std::vector<LSTATUS> statuses{result.open, result.close};
            statuses.insert(statuses.end(), result.sets.begin(), result.sets.end());
            return statuses;
        });
        if (!results) {
            GTEST_SKIP() << "cannot run as an unprivileged user here, and permissions do not bind root";
        }
        std::vector<LSTATUS> expected{ERROR_SUCCESS, ERROR_SUCCESS};
        expected.insert(expected.end(), 7, ERROR_CANTWRITE);
        EXPECT_EQ(*results, expected);
        EXPECT_EQ(read_bytes(configFile()), "keep=1\n");
        EXPECT_EQ(folder_names(orgFolder()).size(), lockFileExists ? 2u : 1u);
    }
}

TEST_F(FileConfigRegistryTest, AWriteThatRunsOutOfSpaceKeepsTheOriginalAndLeavesNoTemporaryFile) {
    // A file size limit fails the temporary file's write as a full disk would.
    const std::string original = "# " + std::string(200, 'x') + "\nkeep=1\n";
    write_bytes(configFile(), original);
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        FileConfigRegistry registry;
        const ExportResult result = export_values(registry, {{"FormatTag", 1}});
        const LSTATUS status = result.sets.empty() ? -1 : result.sets[0];
        _exit(write(channel[1], &status, sizeof status) == sizeof status ? 0 : 1);
    }
    close(channel[1]);
    LSTATUS status = -1;
    EXPECT_EQ(read(channel[0], &status, sizeof status), static_cast<ssize_t>(sizeof status));
    close(channel[0]);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    EXPECT_EQ(status, ERROR_WRITE_FAULT);
    EXPECT_EQ(read_bytes(configFile()), original);
    EXPECT_EQ(folder_names(orgFolder()), (std::vector<std::string>{"PALVEX.conf", "PALVEX.conf.lock"}));
}

// --- Where the file is ------------------------------------------------------------------------------------

TEST_F(FileConfigRegistryTest, AnUnsetEmptyOrRelativeConfigHomeMeansDotConfigInHome) {
    const fs::path file = home_ / ".config" / "Ostrel" / "PALVEX.conf";
    write_bytes(file, "");
    write_bytes(root_ / "relative" / "Ostrel" / "PALVEX.conf", "");
    const fs::path previous = fs::current_path();
    fs::current_path(root_);
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative"}) {
        SCOPED_TRACE(value ? value : "(unset)");
        ScopedEnv xdg("XDG_CONFIG_HOME", value);
        EXPECT_EQ(user_config_home(), (home_ / ".config").string());
        FileConfigRegistry registry;
        EXPECT_TRUE(export_values(registry, {{"FormatTag", 1}}).allSucceeded());
        EXPECT_EQ(read_bytes(file), "FormatTag=1\n");
        write_bytes(file, "");
    }
    fs::current_path(previous);
    EXPECT_EQ(read_bytes(root_ / "relative" / "Ostrel" / "PALVEX.conf"), "");
}

TEST_F(FileConfigRegistryTest, WithoutAUsableHomeTheAccountsHomeFolderIsUsed) {
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    passwd* account = getpwuid(getuid());
    ASSERT_NE(account, nullptr);
    const std::string expected = std::string(account->pw_dir) + "/.config";
    {
        ScopedEnv home("HOME", nullptr);
        EXPECT_EQ(user_config_home(), expected);
    }
    ScopedEnv home("HOME", "relative/home");
    EXPECT_EQ(user_config_home(), expected);
}

TEST(UserKeyLocation, MapsOrganisationAndApplicationToAFileAndDeeperKeysToGroups) {
    const auto top = user_key_location("/c", "Software\\Ostrel\\PALVEX");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->file, "/c/Ostrel/PALVEX.conf");
    EXPECT_EQ(top->group, "");
    const auto deeper = user_key_location("/c/", "software\\Ostrel\\PALVEX\\Sub\\Deeper");
    ASSERT_TRUE(deeper);
    EXPECT_EQ(deeper->file, "/c/Ostrel/PALVEX.conf");
    EXPECT_EQ(deeper->group, "/Sub/Deeper");
    EXPECT_FALSE(user_key_location("/c", "Software\\Ostrel\\" + std::string(251, 'a')));
    EXPECT_TRUE(user_key_location("/c", "Software\\Ostrel\\" + std::string(250, 'a')));
}

// --- Several writers --------------------------------------------------------------------------------------

TEST_F(FileConfigRegistryTest, ConcurrentExportsFromSeveralProcessesLoseNothing) {
    const std::string original = "# shared\n[Window]\nTitle=Grüße\n";
    write_bytes(configFile(), original);
    constexpr int writers = 8;
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> children;
    for (int writer = 0; writer < writers; ++writer) {
        const pid_t child = fork();
        if (child == 0) {
            close(start[1]);
            char go = 0;
            // Every writer starts at once, when the parent closes the pipe.
            (void)!read(start[0], &go, 1);
            Values values;
            for (std::size_t k = 0; k < defaults.size(); ++k) {
                const DWORD value = static_cast<DWORD>(writer * 100 + static_cast<int>(k));
                values.emplace_back(defaults[k].first, value);
                values.emplace_back("W" + std::to_string(writer) + defaults[k].first, value);
            }
            FileConfigRegistry registry;
            _exit(export_values(registry, values).allSucceeded() ? 0 : 1);
        }
        children.push_back(child);
    }
    close(start[0]);
    close(start[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    for (int writer = 0; writer < writers; ++writer) {
        for (std::size_t k = 0; k < defaults.size(); ++k) {
            const std::string name = "W" + std::to_string(writer) + defaults[k].first;
            EXPECT_EQ(read_with_wx(configFile(), "", name),
                      std::to_string(writer * 100 + static_cast<int>(k)))
                << name;
        }
    }
    // Shared names hold one writer's value each, written whole.
    for (std::size_t k = 0; k < defaults.size(); ++k) {
        const std::optional<std::string> value = read_with_wx(configFile(), "", defaults[k].first);
        ASSERT_TRUE(value) << defaults[k].first;
        const int number = std::stoi(*value);
        EXPECT_EQ(number % 100, static_cast<int>(k));
        EXPECT_LT(number / 100, writers);
    }
    // Exactly the written lines were added: one per name, ahead of the untouched original.
    const std::string bytes = read_bytes(configFile());
    ASSERT_TRUE(bytes.ends_with(original));
    const std::string added = bytes.substr(0, bytes.size() - original.size());
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'),
              static_cast<long>(defaults.size() * (writers + 1)));
    EXPECT_EQ(folder_names(orgFolder()), (std::vector<std::string>{"PALVEX.conf", "PALVEX.conf.lock"}));
}

// --- Line-preserving edits --------------------------------------------------------------------------------

TEST(ConfigText, SplitsAtEveryLineEndingAndJoinsBackToTheSameBytes) {
    const std::string bytes = "\xEF\xBB\xBF"
                              "a\r\nb\nc\rd\r\r\n\ne";
    const ConfigText text = split_config_text(bytes);
    ASSERT_EQ(text.lines.size(), 7u);
    EXPECT_EQ(text.lines[3].text, "d");
    EXPECT_EQ(text.lines[3].eol, "\r");
    EXPECT_EQ(text.lines[4].text, "");
    EXPECT_EQ(text.lines[4].eol, "\r\n");
    EXPECT_EQ(text.lines[6].eol, "");
    EXPECT_EQ(config_text_bytes(text), bytes);
    EXPECT_EQ(parser_input(text), "a\nb\nc\nd\n \n \ne\n");
}

TEST(ConfigText, AcceptsOnlyTheExpectedEditOfASingleLine) {
    const ConfigText text = split_config_text("a\nb\n\nc\n");
    EXPECT_TRUE(apply_single_line_edit(text, "a\nb\n \nc\n", LineEdit::Replace));
    EXPECT_TRUE(apply_single_line_edit(text, "a\nB\n \nc\n", LineEdit::Replace));
    EXPECT_FALSE(apply_single_line_edit(text, "a\nB\n \nc\n", LineEdit::Insert));
    EXPECT_TRUE(apply_single_line_edit(text, "a\nb\nn\n \nc\n", LineEdit::Insert));
    EXPECT_TRUE(apply_single_line_edit(text, "n\na\nb\n \nc\n", LineEdit::Insert));
    EXPECT_FALSE(apply_single_line_edit(text, "n\na\nb\n \nc\n", LineEdit::Replace));
    // An insertion that also drops a line looks like a replacement by its length alone.
    EXPECT_FALSE(apply_single_line_edit(text, "a\nb\nn\nc\n", LineEdit::Insert));
    EXPECT_FALSE(apply_single_line_edit(text, "A\nb\n \nC\n", LineEdit::Replace));
    EXPECT_FALSE(apply_single_line_edit(text, "a\nb\nc\n", LineEdit::Replace));
    EXPECT_FALSE(apply_single_line_edit(text, "a\nn\nm\nb\n \nc\n", LineEdit::Insert));

    const std::optional<ConfigText> edited =
        apply_single_line_edit(text, "a\nb\nn\n \nc\n", LineEdit::Insert);
    ASSERT_TRUE(edited);
    EXPECT_EQ(config_text_bytes(*edited), "a\nb\nn\n\nc\n");
}

} // namespace
