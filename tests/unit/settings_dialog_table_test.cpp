#include "settings/settings_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

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
    for (const Row& row : rows) {
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

        const SliderBinding* binding = FindSliderBinding(row.SliderId);
        ASSERT_NE(binding, nullptr);
        EXPECT_EQ(binding->Field, row.Field);
        EXPECT_EQ(binding->Minimum, row.Minimum);
        EXPECT_EQ(binding->Maximum, row.Maximum);
    }
}

TEST(SettingsDialogTable, SlidersAreSetUpInTheFilesFieldOrder) {
    const int32_t Settings::*order[] = {&Settings::BoxSize, &Settings::ColorChangeRate,
                                        &Settings::DrawSpeed, &Settings::EraseFrequency,
                                        &Settings::EraseSpeed};
    ASSERT_EQ(std::size(SliderBindings), std::size(order));
    for (std::size_t i = 0; i < std::size(order); ++i) {
        EXPECT_EQ(SliderBindings[i].Field, order[i]) << i;
    }
}

TEST(SettingsDialogTable, OnlySlidersHaveBindings) {
    std::set<int32_t> bound;
    for (const ControlSpec& control : SettingsDialogControls) {
        const SliderBinding* binding = FindSliderBinding(control.Id);
        EXPECT_EQ(binding != nullptr, control.Kind == ControlKind::Slider) << control.Id;
        if (binding != nullptr) {
            bound.insert(binding->Id);
        }
    }
    EXPECT_EQ(bound.size(), 5u);
    for (int32_t id : {0, 999, 1026, 0x10000 + 1014, -1}) {
        EXPECT_EQ(FindSliderBinding(id), nullptr) << id;
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
