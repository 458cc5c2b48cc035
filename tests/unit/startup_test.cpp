#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/cp932_alpha.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct CommandLineCase {
    const char* commandLine;
    Mode mode;
    char letter; // 0: none found
};

// The same table holds for the byte test the program really uses (see SystemAlphabeticTest).
void CheckCommandLines(AlphaTest isAlpha) {
    const CommandLineCase cases[] = {
        {"\"C:\\WINDOWS\\tavorinex.scr\" /s", Mode::Saver, 's'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /S", Mode::Saver, 'S'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /c", Mode::Settings, 'c'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /C", Mode::Settings, 'C'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /c:1234", Mode::Settings, 'c'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /p 1234", Mode::None, 'p'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /P", Mode::None, 'P'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /a", Mode::None, 'a'},
        {"\"C:\\WINDOWS\\tavorinex.scr\" /s extra", Mode::None, 'a'},
        {"\"C:\\WINDOWS\\tavorinex.scr\"", Mode::Settings, 'r'},
        {"\"C:\\WINDOWS\\TAVORINEX.SCR\"", Mode::Settings, 'R'},
        {"C:\\WINDOWS\\tavorinex.scr /s  ", Mode::Saver, 's'},
        {"\"Z:\\x\\tavorinex.scr\" /r", Mode::Settings, 'r'},
        {"\"Z:\\x\\tavorinex.scr\" /R", Mode::Settings, 'R'},
        {"1234 \"\" :/", Mode::None, 0},
        {"", Mode::None, 0},
        // Half-width katakana is alphabetic in code page 932 and ends the scan.
        {"tavorinex.scr /s \xB1", Mode::None, '\xB1'},
        // Punctuation bytes of the same range are not.
        {"tavorinex.scr /s \xA1\xA5", Mode::Saver, 's'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine);
        ModeScan scan = ScanModeLetter(c.commandLine, isAlpha);
        EXPECT_EQ(scan.Found, c.letter != 0);
        if (c.letter != 0) {
            EXPECT_EQ(scan.ModeLetter, c.letter);
        }
        EXPECT_EQ(SelectMode(scan), c.mode);
    }
}

TEST(ModeSelection, CommandLinesAsTheHostGivesThem) {
    CheckCommandLines(IsCharAlphaCp932);
}

#ifdef _WIN32
bool SystemAlphabeticTest(unsigned char value) {
    return IsCharAlphaA(static_cast<CHAR>(value)) != FALSE;
}

// The host-side byte test must answer as the system does, or the tables above prove nothing.
TEST(ModeSelection, SystemAgreesOnEveryByte) {
    if (GetACP() != 932) {
        GTEST_SKIP() << "needs the code page 932 locale";
    }
    for (int value = 0; value < 256; ++value) {
        unsigned char tested = static_cast<unsigned char>(value);
        EXPECT_EQ(SystemAlphabeticTest(tested), IsCharAlphaCp932(tested)) << value;
    }
}

TEST(ModeSelection, CommandLinesThroughTheSystemTest) {
    if (GetACP() != 932) {
        GTEST_SKIP() << "needs the code page 932 locale";
    }
    CheckCommandLines(SystemAlphabeticTest);
}
#endif

// The module path after CharLowerA, cut to the 259 bytes the buffer keeps.
struct PathCase {
    std::string path;
    bool found;
    std::string installDir;
};

TEST(SelfLocation, ModulePaths) {
    const std::string longDir = "c:\\" + std::string(250, 'd') + "\\";
    const PathCase cases[] = {
        {"c:\\windows\\tavorinex.scr", true, "c:\\windows\\"},
        {"c:\\progra~1\\tavori~1.scr", true, "c:\\progra~1\\"},
        {"c:\\tavori~1.scr\\tavorinex.scr", true, "c:\\tavori~1.scr\\"},
        {"c:\\tavorinex.scr\\tavori~1.scr", true, "c:\\"},
        {"c:\\tavorinex.scr\\tavorinex.scr", true, "c:\\"},
        {"z:\\a b\\mytavorinex.scr", true, "z:\\a b\\my"},
        {"c:\\windows\\boxes.scr", false, ""},
        {"c:\\windows\\tavorinex.sc", false, ""},
        {"c:\\windows\\tavorinex_scr", false, ""},
        {"", false, ""},
        // 259 bytes survive: a name that ends there is whole, one byte more and it is cut.
        {longDir.substr(0, 246) + "tavorinex.scr", true, longDir.substr(0, 246)},
        {longDir.substr(0, 247) + "tavorinex.scr", false, ""},
        {longDir + "tavorinex.scr", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string dir = "unchanged";
        const std::string kept = c.path.substr(0, ModulePathBufferSize - 1);
        ASSERT_EQ(LocateInstallDir(kept, dir), c.found);
        EXPECT_EQ(dir, c.found ? c.installDir : "unchanged");
    }
}

#ifdef _WIN32
// The lower-casing is the system's: it knows double-byte characters, full-width letters
// included, which a byte-wise stand-in would get wrong.
TEST(SelfLocation, PathsThroughTheSystemsLowerCase) {
    if (GetACP() != 932) {
        GTEST_SKIP() << "needs the code page 932 locale";
    }
    const PathCase cases[] = {
        {"C:\\WINDOWS\\TAVORINEX.SCR", true, "c:\\windows\\"},
        {"C:\\PROGRA~1\\TAVORI~1.SCR", true, "c:\\progra~1\\"},
        // "ア" is 0x83 0x41: its trail byte is an ASCII capital and stays one.
        {"C:\\\x83\x41\\TAVORINEX.SCR", true, "c:\\\x83\x41\\"},
        // Full-width "Ｕ" is 0x82 0x74, whose trail byte is "t": lower-cased it becomes "ｕ"
        // (0x82 0x95), and the name is not there.
        {"C:\\\x82\x74"
         "avorinex.scr",
         false, ""},
        // Greek capital alpha lower-cases to its small letter; the name itself is untouched.
        {"C:\\\x83\x9F\\Tavorinex.Scr", true, "c:\\\x83\xBF\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string path = c.path;
        CharLowerA(path.data());
        std::string dir = "unchanged";
        ASSERT_EQ(LocateInstallDir(path, dir), c.found);
        EXPECT_EQ(dir, c.found ? c.installDir : "unchanged");
    }
}
#endif

} // namespace
