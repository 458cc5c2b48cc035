#include "settings/settings_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <set>

#include "settings/settings.h"

namespace {

const ControlSpec* FindControl(int32_t id) {
    for (const ControlSpec& control : SettingsDialogControls) {
        if (control.Id == id) {
            return &control;
        }
    }
    return nullptr;
}

const ControlSpec* FindControlByText(const char* text) {
    const ControlSpec* found = nullptr;
    for (const ControlSpec& control : SettingsDialogControls) {
        if (std::strcmp(control.Text, text) == 0) {
            EXPECT_EQ(found, nullptr) << "text used twice: " << text;
            found = &control;
        }
    }
    return found;
}

TEST(SettingsDialogTable, IdsRunFrom1000InCreationOrder) {
    int32_t expected = 1000;
    for (const ControlSpec& control : SettingsDialogControls) {
        EXPECT_EQ(control.Id, expected++);
    }
    EXPECT_EQ(expected, 1026);
}

// A row as the user reads it: its name, ends and the setting behind its slider.
struct Row {
    const char* Name;
    const char* LeftEnd;
    const char* RightEnd;
    int32_t Settings::*Field;
    int32_t Minimum;
    int32_t Maximum;
    int32_t SliderId;
};

TEST(SettingsDialogTable, EachRowsSliderEditsTheSettingItsLabelNames) {
    // Rows top to bottom; their order differs from the file's field order.
    const Row rows[] = {
        {"BOXサイズ", "小", "大", &Settings::BoxSize, 40, 230, 1014},
        {"色替頻度", "低", "高", &Settings::ColorChangeRate, 3, 50, 1009},
        {"消去頻度", "低", "高", &Settings::EraseFrequency, 20, 1000, 1019},
        {"消去速度", "遅", "速", &Settings::EraseSpeed, 0, 15, 1022},
        {"描画速度", "遅", "速", &Settings::DrawSpeed, 0, 50, 1003},
    };
    int32_t previousY = 0;
    int32_t rowNumber = 0;
    for (const Row& row : rows) {
        ++rowNumber;
        SCOPED_TRACE(row.Name);
        const ControlSpec* slider = FindControl(row.SliderId);
        const ControlSpec* name = FindControlByText(row.Name);
        ASSERT_NE(slider, nullptr);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(slider->Kind, ControlKind::Slider);
        EXPECT_GT(slider->Y, previousY);
        previousY = slider->Y;

        // Every label of the row shares the slider's line, in reading order.
        const ControlSpec* left = nullptr;
        const ControlSpec* right = nullptr;
        for (const ControlSpec& control : SettingsDialogControls) {
            if (control.Kind == ControlKind::LeftText && control.Y + control.Height > slider->Y &&
                control.Y < slider->Y + slider->Height) {
                if (std::strcmp(control.Text, row.LeftEnd) == 0) {
                    left = &control;
                } else if (std::strcmp(control.Text, row.RightEnd) == 0) {
                    right = &control;
                }
            }
        }
        ASSERT_NE(left, nullptr);
        ASSERT_NE(right, nullptr);
        EXPECT_LT(name->X + name->Width, left->X + 1);
        EXPECT_LE(left->X + left->Width, slider->X);
        EXPECT_LE(slider->X + slider->Width, right->X);

        const SettingFacts* facts = FindSettingBySlider(row.SliderId);
        ASSERT_NE(facts, nullptr);
        EXPECT_EQ(facts->Value, row.Field);
        EXPECT_EQ(facts->Range.Minimum, row.Minimum);
        EXPECT_EQ(facts->Range.Maximum, row.Maximum);
        EXPECT_EQ(facts->Dialog.Row, rowNumber);
    }
}

// The sliders get their ranges and positions in the file's field order.
TEST(SettingsDialogTable, SlidersAreSetUpInTheFilesFieldOrder) {
    const struct {
        int32_t Settings::*Field;
        int32_t SliderId;
    } order[] = {{&Settings::BoxSize, 1014},
                 {&Settings::ColorChangeRate, 1009},
                 {&Settings::DrawSpeed, 1003},
                 {&Settings::EraseFrequency, 1019},
                 {&Settings::EraseSpeed, 1022}};
    ASSERT_EQ(std::size(SettingsTable), std::size(order));
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(SettingsTable[i].Value, order[i].Field) << i;
        EXPECT_EQ(SettingsTable[i].Dialog.Slider.Id, order[i].SliderId) << i;
    }
}

TEST(SettingsDialogTable, OnlySlidersEditASetting) {
    std::set<int32_t> bound;
    for (const ControlSpec& control : SettingsDialogControls) {
        const SettingFacts* facts = FindSettingBySlider(control.Id);
        EXPECT_EQ(facts != nullptr, control.Kind == ControlKind::Slider) << control.Id;
        if (facts != nullptr) {
            bound.insert(control.Id);
        }
    }
    EXPECT_EQ(bound.size(), 5u);
    for (int32_t id : {0, 999, 1026, 0x10000 + 1014, -1}) {
        EXPECT_EQ(FindSettingBySlider(id), nullptr) << id;
    }
}

TEST(SettingsDialogTable, ControlClassesByKind) {
    const struct {
        int32_t Id;
        const char* ClassName;
    } cases[] = {
        {1000, "BUTTON"}, {1001, "BUTTON"}, {1002, "BUTTON"}, {1003, "msctls_trackbar32"},
        {1004, "BUTTON"}, {1005, "STATIC"}, {1017, "STATIC"}, {1022, "msctls_trackbar32"},
    };
    for (const auto& c : cases) {
        const ControlSpec* control = FindControl(c.Id);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(ControlClassName(control->Kind), c.ClassName) << c.Id;
    }
    EXPECT_EQ(FindControl(1001)->Kind, ControlKind::DisabledPushButton);
}

// Where the Japanese cannot be shown, a control with a text shows English instead.
TEST(SettingsDialogTable, EveryTextHasAnEnglishStandIn) {
    for (const ControlSpec& control : SettingsDialogControls) {
        EXPECT_EQ(control.English[0] == '\0', control.Text[0] == '\0') << control.Id;
        for (const char* at = control.English; *at != '\0'; ++at) {
            EXPECT_TRUE(*at >= ' ' && *at <= '~') << control.Id;
        }
    }
}

// MultiByteToWideChar on a system with code page 932's tables, given room for the text.
int WithTables(const char*, wchar_t* out, int capacity) {
    return capacity < 3 ? 0 : (std::wcscpy(out, L"\u8a2d\u5b9a"), 3);
}

int WithoutTables(const char*, wchar_t*, int) {
    return 0;
}

TEST(SettingsDialogTable, WideTextsAreTheJapaneseConvertedOrElseTheEnglish) {
    const struct {
        Cp932Conversion Convert;
        int Capacity;
        const wchar_t* Shown;
    } cases[] = {{WithTables, 8, L"\u8a2d\u5b9a"},
                 {WithoutTables, 9, L"Settings"},
                 {WithoutTables, 4, L"Set"},
                 {WithTables, 2, L"S"},
                 {WithoutTables, 1, L""}};
    for (const auto& c : cases) {
        wchar_t out[16];
        std::fill_n(out, 15, L'#');
        out[15] = L'\0';
        ToWideText({"\x90\xdd\x92\xe8", "Settings"}, c.Convert, out, c.Capacity);
        EXPECT_STREQ(out, c.Shown) << c.Capacity;
    }
}

TEST(SettingsDialogTable, SliderRangePacking) {
    const struct {
        int32_t Minimum;
        int32_t Maximum;
        uint32_t Packed;
    } cases[] = {
        {40, 230, 0x00E60028u},    {20, 1000, 0x03E80014u},
        {0, 15, 0x000F0000u},      {0, 0, 0u},
        {-1, 0xFFFF, 0xFFFFFFFFu}, {0x12345, 0x10001, 0x00012345u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PackSliderRange(c.Minimum, c.Maximum), c.Packed) << c.Minimum << " " << c.Maximum;
    }
}

} // namespace

#ifdef _WIN32
// The window itself, run on this thread.
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/dialog_resources.h"

// Start-up's objects; this program starts the window the way start-up would.
HFONT ControlFont;
HBRUSH ButtonFaceBrush;

namespace {

namespace fs = std::filesystem;

const std::string DefaultsFile("80,50,44,960,11,\0", 17);
// Slider ids by row, top to bottom.
constexpr int32_t RowSliders[] = {1014, 1009, 1019, 1022, 1003};

// A failed save counts here instead of showing a box that would wait for a click.
int FailureCount;

void CountSaveFailure(WindowHandle) {
    ++FailureCount;
}

using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

// What start-up provides: the trackbar class and the shared font.
void PrepareLikeStartUp() {
    static bool prepared = false;
    if (prepared) {
        return;
    }
    prepared = true;
    HMODULE library = LoadLibraryA("comctl32.dll");
    auto init = reinterpret_cast<InitControls>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "InitCommonControlsEx")));
    ASSERT_NE(init, nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    init(&controls);
    ControlFont = CreateFontA(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH, "Arial");
}

// The class as start-up registers it: everything goes to DefWindowProcA until replaced.
void RegisterDialogClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "NORMALDLG";
    RegisterClassExA(&windowClass);
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "NORMALDLG") == 0) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> ThreadDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The code of a WM_QUIT waiting in this thread's queue (taken from it), or -1 when none waits.
int32_t TakePendingQuit() {
    MSG message;
    if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        return static_cast<int32_t>(message.wParam);
    }
    return -1;
}

void DrainQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

std::vector<int32_t> Positions(HWND window) {
    std::vector<int32_t> positions;
    for (int32_t id : RowSliders) {
        positions.push_back(
            static_cast<int32_t>(SendDlgItemMessageA(window, id, TBM_GETPOS, 0, 0)));
    }
    return positions;
}

void Notify(HWND window, WPARAM wParam, UINT code) {
    NMHDR header = {};
    header.hwndFrom = GetDlgItem(window, LOWORD(wParam));
    header.idFrom = LOWORD(wParam);
    header.code = code;
    SendMessageA(window, WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(&header));
}

void Command(HWND window, WPARAM wParam) {
    SendMessageA(window, WM_COMMAND, wParam,
                 reinterpret_cast<LPARAM>(GetDlgItem(window, LOWORD(wParam))));
}

void ClickOk(HWND window) {
    Command(window, MAKEWPARAM(OkButtonId, BN_CLICKED));
}

// Moves a slider as keys would: the position changes, no release is notified.
void MoveWithoutRelease(HWND window, int32_t id, int32_t position) {
    SendDlgItemMessageA(window, id, TBM_SETPOS, TRUE, position);
}

// Each test runs the window in a directory of its own, with the message box replaced.
class SettingsWindowRun : public ::testing::Test {
  protected:
    void SetUp() override {
        PrepareLikeStartUp();
        RegisterDialogClass();
        DrainQueue();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("tavorinex-dialog-" + std::string(info->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        savedSettingsFile = SettingsFilePath;
        file = dir / "tavorinex.ini";
        SettingsFilePath = file.string();
        savedNotice = ShowSaveFailure;
        ShowSaveFailure = CountSaveFailure;
        FailureCount = 0;
    }
    void TearDown() override {
        for (HWND window : ThreadDialogs()) {
            DestroyWindow(window);
        }
        DrainQueue();
        ShowSaveFailure = savedNotice;
        SettingsFilePath = savedSettingsFile;
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    void StoreFile(const std::string& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string FileBytes() {
        std::ifstream in(file, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(no file)";
    }
    // Opens the window as settings mode does; a quit posted beforehand ends the opener's loop
    // at once and leaves the window open for the test.
    HWND Open(HWND owner = nullptr) {
        PostQuitMessage(0);
        EXPECT_EQ(OpenSubWindow(owner, "SubWnd"), 0);
        std::vector<HWND> windows = ThreadDialogs();
        EXPECT_EQ(windows.size(), 1u);
        return windows.size() == 1 ? windows[0] : nullptr;
    }

    fs::path dir;
    fs::path file;
    std::string savedSettingsFile;
    SaveFailureNotice savedNotice = nullptr;
};

TEST_F(SettingsWindowRun, OtherNamesOpenNothingAndRunNoLoop) {
    for (const char* name : {"subwnd", "SUBWND", "subWnd", "SubWn", "SubWndSubWnd", ""}) {
        SCOPED_TRACE(name);
        PostQuitMessage(9);
        EXPECT_EQ(OpenSubWindow(nullptr, name), 0);
        EXPECT_TRUE(ThreadDialogs().empty());
        EXPECT_EQ(TakePendingQuit(), 9);
    }
}

TEST_F(SettingsWindowRun, TheOpenerReturnsTheCodeOfTheQuitThatEndsItsLoop) {
    PostQuitMessage(7);
    EXPECT_EQ(OpenSubWindow(nullptr, "SubWnd"), 7);
    std::vector<HWND> windows = ThreadDialogs();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_TRUE(IsWindowVisible(windows[0]));
}

TEST_F(SettingsWindowRun, WithoutAWindowTheOpenerRunsNoLoop) {
    ASSERT_TRUE(UnregisterClassA("NORMALDLG", GetModuleHandleA(nullptr)));
    PostQuitMessage(5);
    EXPECT_EQ(OpenSubWindow(nullptr, "SubWnd"), 0);
    EXPECT_EQ(TakePendingQuit(), 5);
}

TEST_F(SettingsWindowRun, EveryControlIsAChildWithItsIdAndTextsUseTheSharedFont) {
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    for (const ControlSpec& control : SettingsDialogControls) {
        SCOPED_TRACE(control.Id);
        HWND child = GetDlgItem(window, control.Id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetParent(child), window);
        // A trackbar keeps no font to report.
        if (control.Kind != ControlKind::Slider) {
            EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), ControlFont);
        }
    }
}

TEST_F(SettingsWindowRun, SlidersShowTheFileClampedAndOkWritesTheFileValuesBack) {
    const struct {
        const char* Stored;         // null: no file
        std::vector<int32_t> Shown; // rows top to bottom
        const char* Written;        // before the closing zero byte
    } cases[] = {
        {nullptr, {80, 50, 960, 11, 44}, "80,50,44,960,11,"},
        {"500,51,99,1001,16,", {230, 50, 1000, 15, 50}, "500,51,99,1001,16,"},
        {"10,0,-3,5,-1,", {40, 3, 20, 0, 0}, "10,0,4294967293,5,4294967295,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Written);
        std::error_code ignored;
        fs::remove(file, ignored);
        if (c.Stored != nullptr) {
            StoreFile(c.Stored);
        }
        HWND window = Open();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Positions(window), c.Shown);
        ClickOk(window);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(TakePendingQuit(), 0);
        EXPECT_EQ(FileBytes(), std::string(c.Written) + '\0');
    }
}

TEST_F(SettingsWindowRun, OnlyAReleaseTakesTheSlidersPosition) {
    const struct {
        WPARAM Id;
        UINT Code;
        const char* Written;
    } cases[] = {
        {1014, static_cast<UINT>(NM_RELEASEDCAPTURE), "40,50,44,960,11,"},
        {1009, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,3,44,960,11,"},
        {1003, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,50,0,960,11,"},
        {1019, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,50,44,20,11,"},
        {1022, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,50,44,960,0,"},
        // Only the low 16 bits name the control.
        {0x10000 | 1022, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,50,44,960,0,"},
        {1014, static_cast<UINT>(NM_CUSTOMDRAW), "80,50,44,960,11,"},
        {1014, static_cast<UINT>(NM_CLICK), "80,50,44,960,11,"},
        {1014, static_cast<UINT>(TRBN_THUMBPOSCHANGING), "80,50,44,960,11,"},
        {1000, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,50,44,960,11,"},
        {1013, static_cast<UINT>(NM_RELEASEDCAPTURE), "80,50,44,960,11,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Id << " " << static_cast<int>(c.Code));
        StoreFile(DefaultsFile);
        HWND window = Open();
        ASSERT_NE(window, nullptr);
        for (const SettingFacts& facts : SettingsTable) {
            MoveWithoutRelease(window, facts.Dialog.Slider.Id, facts.Range.Minimum);
        }
        Notify(window, c.Id, c.Code);
        ClickOk(window);
        EXPECT_EQ(TakePendingQuit(), 0);
        EXPECT_EQ(FileBytes(), std::string(c.Written) + '\0');
    }
}

TEST_F(SettingsWindowRun, OnlyAClickOnOkSavesAndCloses) {
    const struct {
        const char* Name;
        WPARAM Command;
        bool Saves;
    } cases[] = {
        {"OK clicked", MAKEWPARAM(1000, BN_CLICKED), true},
        {"OK double-clicked", MAKEWPARAM(1000, BN_DOUBLECLICKED), false},
        {"OK's id from an accelerator", MAKEWPARAM(1000, 1), false},
        {"Test clicked", MAKEWPARAM(1001, BN_CLICKED), false},
        {"a slider's id", MAKEWPARAM(1014, 0), false},
        {"the credit line's id", MAKEWPARAM(1017, 0), false},
        {"id 0", MAKEWPARAM(0, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::error_code ignored;
        fs::remove(file, ignored);
        HWND window = Open();
        ASSERT_NE(window, nullptr);
        Command(window, c.Command);
        EXPECT_EQ(IsWindow(window) == FALSE, c.Saves);
        EXPECT_EQ(TakePendingQuit(), c.Saves ? 0 : -1);
        EXPECT_EQ(FileBytes(), c.Saves ? DefaultsFile : "(no file)");
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
    }
    EXPECT_EQ(FailureCount, 0);
}

TEST_F(SettingsWindowRun, TheOwnerIsDisabledWhileTheWindowIsOpen) {
    const struct {
        const char* Name;
        bool Close; // the close button, else OK
        std::string Written;
    } cases[] = {
        {"close", true, DefaultsFile},
        {"ok", false, std::string("230,50,44,960,11,\0", 18)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        StoreFile(DefaultsFile);
        HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
        HWND window = Open(owner);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
        EXPECT_FALSE(IsWindowEnabled(owner));

        MoveWithoutRelease(window, 1014, 230);
        Notify(window, 1014, static_cast<UINT>(NM_RELEASEDCAPTURE));
        if (c.Close) {
            SendMessageA(window, WM_CLOSE, 0, 0);
        } else {
            ClickOk(window);
        }
        EXPECT_FALSE(IsWindow(window));
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(TakePendingQuit(), 0);
        EXPECT_EQ(FileBytes(), c.Written);
        DestroyWindow(owner);
    }
}

} // namespace
#endif
