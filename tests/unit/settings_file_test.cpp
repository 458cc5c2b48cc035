// The settings file on real files: the platform's file layer, the save in place and its failures.
#include "settings/settings.h"
#include "settings_describe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

int FailureCount;
WindowHandle FailureOwner;

void CaptureSaveFailure(WindowHandle owner) {
    ++FailureCount;
    FailureOwner = owner;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

const std::string DefaultsFile("80,50,44,960,11,\0", 17);
WindowHandle const Owner = reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(0x1234));

// Every test gets an empty directory of its own, and the message box is never shown.
class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("tavorinex-settings-" + std::string(info->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = (dir / "tavorinex.ini").string();
        savedNotice = ShowSaveFailure;
        ShowSaveFailure = CaptureSaveFailure;
        FailureCount = 0;
        FailureOwner = nullptr;
    }
    void TearDown() override {
        ShowSaveFailure = savedNotice;
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void ExpectFailureShownOnce() {
        EXPECT_EQ(FailureCount, 1);
        EXPECT_EQ(FailureOwner, Owner);
    }
    void ExpectOnlyTheSettingsFile() {
        int entries = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            EXPECT_EQ(entry.path().filename().string(), "tavorinex.ini");
            ++entries;
        }
        EXPECT_EQ(entries, 1);
    }
    fs::path dir;
    std::string file;
    SaveFailureNotice savedNotice = nullptr;
};

TEST_F(SettingsFile, MissingFileGivesEachLoadersNoFileValues) {
    EXPECT_EQ(Describe(LoadSettingsFrom(file)), "80,50,44,960,11");
    EXPECT_EQ(Describe(LoadSaverParametersFrom(file)), "80,50,44,960,11");
}

TEST_F(SettingsFile, LoadsWhatTheFileHolds) {
    struct Case {
        std::string bytes;
        const char* settings;
        const char* saver;
    };
    const Case cases[] = {
        {DefaultsFile, "80,50,44,960,11", "80,3,7,60,4"},
        {"", "80,50,44,960,11", "80,50,44,960,11"},
        {"2.5,2.5,x,,&H50,\r\n", "2,2,0,0,80", "2,50,51,1020,-65"},
        {std::string("\0,7\0,", 5), "0,7,44,960,11", "0,46,44,960,11"},
        // Read on to the fifth comma however far it is, and across the reads' pieces.
        {"300" + std::string((1 << 20) + 1, ' ') + ",1,2,3,4,", "300,1,2,3,4", "300,52,49,1017,11"},
        {"5," + std::string(4092, '0') + "123.25,2,3,4,", "5,123,2,3,4", "5,-70,49,1017,11"},
        {std::string(3 << 20, '9'), "80,50,44,960,11", "80,50,44,960,11"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteAll(file, c.bytes);
        EXPECT_EQ(Describe(LoadSettingsFrom(file)), c.settings);
        EXPECT_EQ(Describe(LoadSaverParametersFrom(file)), c.saver);
    }
}

TEST_F(SettingsFile, SavingTheDefaultsWritesSeventeenBytes) {
    ASSERT_TRUE(SaveSettingsTo(file, SettingsDefaults, Owner));
    EXPECT_EQ(ReadAll(file), DefaultsFile);
    EXPECT_EQ(FailureCount, 0);
    ExpectOnlyTheSettingsFile();
}

TEST_F(SettingsFile, ALongerPreviousFileIsReplacedWhole) {
    WriteAll(file, std::string(300, '9') + ",1,2,3,4,5,6,7,8,9,\r\n");
    ASSERT_TRUE(SaveSettingsTo(file, SettingsDefaults, Owner));
    EXPECT_EQ(ReadAll(file), DefaultsFile);
    ExpectOnlyTheSettingsFile();
}

TEST_F(SettingsFile, MinusOneIsWrittenUnsignedAndLoadsBack) {
    const Settings settings = {-1, 3, INT32_MIN, 1000, 0};
    ASSERT_TRUE(SaveSettingsTo(file, settings, Owner));
    EXPECT_EQ(ReadAll(file), std::string("4294967295,3,2147483648,1000,0,\0", 32));
    EXPECT_EQ(Describe(LoadSettingsFrom(file)), "-1,3,-2147483648,1000,0");
    EXPECT_EQ(Describe(LoadSaverParametersFrom(file)), "-1,50,-2147483597,20,15");
}

TEST_F(SettingsFile, TheProcessWideOperationsUseInstallDir) {
    const std::string savedPath = SettingsFilePath;
    SettingsFilePath = SettingsFileIn((dir / "my").string());
    CurrentSettings = {100, 10, 20, 30, 5};
    EXPECT_TRUE(SaveSettings(Owner));
    EXPECT_EQ(ReadAll(dir / "mytavorinex.ini"), std::string("100,10,20,30,5,\0", 16));
    CurrentSettings = {};
    LoadSettings();
    LoadSaverParameters();
    SettingsFilePath = savedPath;
    EXPECT_EQ(Describe(CurrentSettings), "100,10,20,30,5");
    EXPECT_EQ(Describe(CurrentSaverParameters), "100,43,31,990,10");
}

// Paths that name no file that can be opened: no-file values on load, a shown failure on save.
TEST_F(SettingsFile, PathsThatCannotBeUsed) {
    WriteAll(file, DefaultsFile);
    const std::string paths[] = {
        (dir / "missing" / "tavorinex.ini").string(),
        dir.string(),
        file + std::string(1, '\0') + "x", // would name the existing file if cut at the zero
        (dir / std::string(5000, 'a')).string(),
        "",
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path.substr(0, 80));
        EXPECT_EQ(Describe(LoadSettingsFrom(path)), "80,50,44,960,11");
        EXPECT_EQ(Describe(LoadSaverParametersFrom(path)), "80,50,44,960,11");
        FailureCount = 0;
        EXPECT_FALSE(SaveSettingsTo(path, {1, 2, 3, 4, 5}, Owner));
        ExpectFailureShownOnce();
    }
    EXPECT_EQ(ReadAll(file), DefaultsFile);
    EXPECT_FALSE(fs::exists(dir / "missing"));
    ExpectOnlyTheSettingsFile();
}

#ifndef _WIN32

TEST_F(SettingsFile, HundredsOfMegabytes) {
    WriteAll(file, "90,50,44,960,11,");
    fs::resize_file(file, 400u << 20); // sparse: zero bytes that are never read
    EXPECT_EQ(Describe(LoadSettingsFrom(file)), "90,50,44,960,11");
    EXPECT_EQ(Describe(LoadSaverParametersFrom(file)), "90,3,7,60,4");
    ASSERT_TRUE(SaveSettingsTo(file, SettingsDefaults, Owner));
    EXPECT_EQ(ReadAll(file), DefaultsFile);
}

TEST_F(SettingsFile, AFifoDoesNotHangTheLoad) {
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(Describe(LoadSettingsFrom(file)), "80,50,44,960,11");
}

// Writes that fail or stop short, through the file-size limit of the process. Nothing is cut
// before the new content is complete, so a short write leaves the old bytes beyond it.
TEST_F(SettingsFile, WritesThatStopShortAreFailures) {
    const std::string previous = "1,2,3,4,5,6,7,8,9,0,";
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    const struct {
        rlim_t limit;
        const char* left;
    } cases[] = {{0, "1,2,3,4,5,6,7,8,9,0,"}, {10, "80,50,44,96,7,8,9,0,"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        WriteAll(file, previous);
        FailureCount = 0;
        struct rlimit small = saved;
        small.rlim_cur = c.limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool savedOk = SaveSettingsTo(file, SettingsDefaults, Owner);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(savedOk);
        ExpectFailureShownOnce();
        EXPECT_EQ(ReadAll(file), c.left);
        ExpectOnlyTheSettingsFile();
    }
    std::signal(SIGXFSZ, savedHandler);
}

// The file is written where it is: through a symbolic link into its target, and under every
// name of a hard link.
TEST_F(SettingsFile, TheSaveWritesTheFileItself) {
    const fs::path target = dir / "elsewhere";
    WriteAll(target, "1,2,3,4,5,\r\nmy notes, kept until now");
    fs::create_symlink(target, file);
    ASSERT_TRUE(SaveSettingsTo(file, SettingsDefaults, Owner));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadAll(target), DefaultsFile);

    fs::remove(file);
    fs::create_hard_link(target, file);
    ASSERT_TRUE(SaveSettingsTo(file, {1, 2, 3, 4, 5}, Owner));
    EXPECT_EQ(ReadAll(target), std::string("1,2,3,4,5,\0", 11));
    EXPECT_EQ(fs::hard_link_count(file), 2u);
}

TEST(SaveFailureMessage, Text) {
    EXPECT_EQ(SaveFailureText(), "設定の保存に失敗しました！\"書き込み禁止属性を解除して下さい。");
}

#else

// Held open elsewhere, even by a reader that lets others write: the save wants the file to
// itself, so it writes nothing until the other handle is gone.
TEST_F(SettingsFile, AFileOpenElsewhereIsNotReplaced) {
    const std::string previous = "1,2,3,4,5,";
    const DWORD shareModes[] = {0, FILE_SHARE_READ | FILE_SHARE_WRITE};
    for (DWORD share : shareModes) {
        SCOPED_TRACE(share);
        WriteAll(file, previous);
        FailureCount = 0;
        HANDLE other = CreateFileA(file.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(SaveSettingsTo(file, SettingsDefaults, Owner));
        ExpectFailureShownOnce();
        CloseHandle(other);
        EXPECT_EQ(ReadAll(file), previous);
        ExpectOnlyTheSettingsFile();
    }
    // Once the other handle is gone the same save goes through.
    EXPECT_TRUE(SaveSettingsTo(file, SettingsDefaults, Owner));
    EXPECT_EQ(ReadAll(file), DefaultsFile);
}

TEST_F(SettingsFile, AFileLockedAgainstReadersLoadsAsNoFile) {
    WriteAll(file, "1,2,3,4,5,");
    HANDLE other = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Describe(LoadSettingsFrom(file)), "80,50,44,960,11");
    CloseHandle(other);
    EXPECT_EQ(Describe(LoadSettingsFrom(file)), "1,2,3,4,5");
}

// The loaders read beside other programs that read or write the file, and keep no handle: a
// save, which needs the file open nowhere else, goes through right after each load.
TEST_F(SettingsFile, LoadersShareTheFileAndLetItGo) {
    const std::string content = "1,2,3,4,5,";
    struct Case {
        DWORD access;
        DWORD share;
        const char* settings;
        const char* saver;
    };
    const Case cases[] = {
        {GENERIC_READ, FILE_SHARE_READ, "1,2,3,4,5", "1,51,48,1016,10"},
        {GENERIC_WRITE, FILE_SHARE_READ, "1,2,3,4,5", "1,51,48,1016,10"},
        {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, "1,2,3,4,5",
         "1,51,48,1016,10"},
        {GENERIC_READ, FILE_SHARE_WRITE, "80,50,44,960,11", "80,50,44,960,11"},
        {GENERIC_WRITE, FILE_SHARE_WRITE, "80,50,44,960,11", "80,50,44,960,11"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.access << " " << c.share);
        WriteAll(file, content);
        HANDLE other = CreateFileA(file.c_str(), c.access, c.share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(Describe(LoadSettingsFrom(file)), c.settings);
        EXPECT_EQ(Describe(LoadSaverParametersFrom(file)), c.saver);
        CloseHandle(other);
        EXPECT_EQ(Describe(LoadSettingsFrom(file)), "1,2,3,4,5");
        EXPECT_EQ(Describe(LoadSaverParametersFrom(file)), "1,51,48,1016,10");
        EXPECT_TRUE(SaveSettingsTo(file, SettingsDefaults, Owner));
        EXPECT_EQ(ReadAll(file), DefaultsFile);
        EXPECT_EQ(FailureCount, 0);
    }
}

TEST(SaveFailureMessage, Cp932Text) {
    const char expected[] = "\x90\xdd\x92\xe8\x82\xcc\x95\xdb\x91\xb6\x82\xc9\x8e\xb8\x94\x73"
                            "\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x49\x22\x8f\x91\x82\xab\x8d"
                            "\x9e\x82\xdd\x8b\xd6\x8e\x7e\x91\xae\x90\xab\x82\xf0\x89\xf0\x8f"
                            "\x9c\x82\xb5\x82\xc4\x89\xba\x82\xb3\x82\xa2\x81\x42";
    EXPECT_EQ(SaveFailureText(), std::string_view(expected, sizeof expected - 1));
}

#endif

} // namespace
