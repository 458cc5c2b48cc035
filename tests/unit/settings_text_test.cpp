#include "settings/settings.h"
#include "settings_describe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

struct FileTextCase {
    std::string text;
    Settings settings;
    SaverParameters saver;
};

TEST(SettingsText, FileTextsInBothViews) {
    const std::string hugeDigits = "1" + std::string(400, '0');
    const FileTextCase cases[] = {
        // The saved defaults, with the zero byte the writer puts after them.
        {std::string("80,50,44,960,11,\0", 17), {80, 50, 44, 960, 11}, {80, 3, 7, 60, 4}},
        {"80,50,44,960,11,\r\n", {80, 50, 44, 960, 11}, {80, 3, 7, 60, 4}},
        {"80,50,44,960,11,7,8,junk", {80, 50, 44, 960, 11}, {80, 3, 7, 60, 4}},
        // Slider extremes.
        {"40,3,50,1000,15,", {40, 3, 50, 1000, 15}, {40, 50, 1, 20, 0}},
        {"230,50,0,20,0,", {230, 50, 0, 20, 0}, {230, 3, 51, 1000, 15}},
        {"500,3,44,960,11,", {500, 3, 44, 960, 11}, {500, 50, 7, 60, 4}},
        // Prefixed forms.
        {"&H50,&h50,&O120,&X50,&o17,", {80, 80, 80, 0, 15}, {80, -27, -29, 1020, 0}},
        {"&H,&O8,&,&Hg,&H-1,", {0, 0, 0, 0, 0}, {0, 53, 51, 1020, 15}},
        // Signs: one only, applied last.
        {"-1,+5,-0,+-3,--2,", {-1, 5, 0, 0, 0}, {-1, 48, 51, 1020, 15}},
        // Halves go to the even neighbour, after the saver's subtraction.
        {"2.5,2.5,3.5,-2.5,0.5,", {2, 2, 4, -2, 0}, {2, 50, 48, 1022, 14}},
        {"3.5,-3.5,1.5,-0.5,14.5,", {4, -4, 2, 0, 14}, {4, 56, 50, 1020, 0}},
        // A leading space, trailing letters, an empty field, a bare fraction.
        {" 80,80px,,1.9x,.5,", {0, 80, 0, 2, 0}, {0, -27, 51, 1018, 14}},
        {"1e5,1.2.3,9 9,-.5,1.,", {1, 1, 9, 0, 1}, {1, 52, 42, 1020, 14}},
        // Beyond 32 bits: round, then the low 32 bits.
        {"4294967296,4294967295,2147483648,-2147483649,4294967296.5,",
         {0, -1, INT32_MIN, INT32_MAX, 0},
         {0, 54, -2147483597, -2147482627, 14}},
        {"99999999999999999999,123456789012345678901,0,0,0,",
         {1661992960, 792100864, 0, 0, 0},
         {1661992960, -792100864, 51, 1020, 15}},
        // A number too long for a double is infinite, and infinity stores as 0.
        {hugeDigits + ",-" + hugeDigits + "," + std::string(400, '0') + "5,0,0,",
         {0, 0, 5, 0, 0},
         {0, 0, 46, 1020, 15}},
        // Past the last 16 hexadecimal or 22 octal digits the 64-bit place values are gone.
        {"&H12300000000FFFFFFFF,&O1" + std::string(22, '0') + "17,&H1FFFFFFFF,0,0,",
         {-1, 15, -1, 0, 0},
         {-1, 38, 52, 1020, 15}},
        // Digits are summed one by one, not read as the nearest double: the fraction of field
        // 1 adds up to 43.5 exactly, field 2 stays below 27.5, fields 3 and 4 land one step away.
        {"43.49999999999999,27.4999999999999999,687796320413336251,17788188856699544791,"
         "-27.4999999999999999,",
         {44, 27, -66141440, -249339904, -27},
         {44, 26, 66141440, 249339904, 42}},
        // Zero bytes and other binary before the commas are field text like any other.
        {std::string("\0\0,5\0,\xff\xfe,9,\x80,", 13), {0, 5, 0, 9, 0}, {0, 48, 51, 1011, 15}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        EXPECT_EQ(Describe(SettingsFromText(c.text)), Describe(c.settings));
        EXPECT_EQ(Describe(SaverParametersFromText(c.text)), Describe(c.saver));
    }
}

// Fields that no comma ends keep each loader's no-file values; nothing is read past the end.
TEST(SettingsText, FewerThanFiveCommas) {
    const FileTextCase cases[] = {
        {"", {80, 50, 44, 960, 11}, {80, 50, 44, 960, 11}},
        {"12345", {80, 50, 44, 960, 11}, {80, 50, 44, 960, 11}},
        {"100,20", {100, 50, 44, 960, 11}, {100, 50, 44, 960, 11}},
        {"100,20,", {100, 20, 44, 960, 11}, {100, 33, 44, 960, 11}},
        {"1,2,3,4,5\r\n", {1, 2, 3, 4, 11}, {1, 51, 48, 1016, 11}},
        {",,,,", {0, 0, 0, 0, 11}, {0, 53, 51, 1020, 11}},
        {std::string(1, '\0'), {80, 50, 44, 960, 11}, {80, 50, 44, 960, 11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Describe(SettingsFromText(c.text)), Describe(c.settings));
        EXPECT_EQ(Describe(SaverParametersFromText(c.text)), Describe(c.saver));
    }
    // The field count is what tells a missing field from an empty one.
    const std::string text = "7,,8";
    SettingsFields fields = ParseSettingsText(std::string_view(text).substr(0, 3));
    EXPECT_EQ(fields.Count, 2);
    EXPECT_EQ(fields.Values[0], 7.0);
    EXPECT_EQ(fields.Values[1], 0.0);
}

TEST(SettingsText, FieldsAreReturnedBeforeRounding) {
    SettingsFields fields = ParseSettingsText("2.5,-0.25,&H10,1e3,x,6,");
    EXPECT_EQ(fields.Count, 5);
    const double expected[5] = {2.5, -0.25, 16.0, 1.0, 0.0};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(fields.Values[k], expected[k]) << k;
    }
}

struct NumberCase {
    const char* text;
    double value;
};

TEST(SettingsText, ParseNumber) {
    const NumberCase cases[] = {
        {"&H50", 80},   {"&h1f", 31},       {"&HfF", 255},  {"&O120", 80},
        {"&o7", 7},     {"&O78", 7},        {"&H", 0},      {"&", 0},
        {"&X50", 0},    {"&H-1", 0},        {"&H 1", 0},    {"&HFFFFFFFF", 4294967295.0},
        {"80", 80},     {"+5", 5},          {"-5", -5},     {"+-5", 0},
        {" 5", 0},      {"5 ", 5},          {".5", 0.5},    {"-.5", -0.5},
        {"1.25", 1.25}, {"1.", 1},          {"1.2.3", 1.2}, {"80px", 80},
        {"", 0},        {"-", 0},           {"1e5", 1},     {"0.1", 0.1},
        {"007", 7},     {"12.345", 12.345},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
    }
    // The integer digits from the last back, the fraction digits in order, each sum rounded:
    // these differ from the double nearest to the text.
    const NumberCase summed[] = {
        {"43.49999999999999", 43.5},
        {"27.4999999999999999", 27.499999999999996},
        {"-27.4999999999999999", -27.499999999999996},
        {"0.15", 0.15000000000000002},
        {"687796320413336251", 6.877963204133363e+17},
        {"17788188856699544791", 1.7788188856699544e+19},
    };
    for (const auto& c : summed) {
        EXPECT_EQ(ParseNumber(c.text), c.value) << c.text;
    }
    EXPECT_TRUE(std::isinf(ParseNumber("9" + std::string(320, '9'))));
    EXPECT_EQ(ParseNumber(std::string(5000, '0') + "1"), 1.0);
    EXPECT_EQ(ParseNumber("1." + std::string(5000, '0') + "1"), 1.0);
    EXPECT_EQ(ParseNumber("&H" + std::string(5000, 'F')), 18446744073709551615.0);
    EXPECT_EQ(ParseNumber(std::string_view("12\0"
                                           "3",
                                           4)),
              12.0);
}

struct StoreCase {
    double value;
    int32_t stored;
};

TEST(SettingsText, StoreInt32) {
    const double infinity = std::numeric_limits<double>::infinity();
    const StoreCase cases[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-3.5, -4},
        {0.5, 0},
        {-0.5, 0},
        {1.5, 2},
        {-0.0, 0},
        {0.49999999999999994, 0},
        {2.4999999999999996, 2},
        {-1.5000000000000002, -2},
        {4294967295.0, -1},
        {4294967296.0, 0},
        {4294967297.4, 1},
        {2147483647.5, INT32_MIN},
        {2147483648.0, INT32_MIN},
        {-2147483648.5, INT32_MIN},
        {-2147483649.0, INT32_MAX},
        {-4294967297.0, -1},
        {4503599627370497.0, 1},
        {1e300, 0},
        {infinity, 0},
        {-infinity, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StoreInt32(c.value), c.stored) << c.value;
    }
}

TEST(SettingsText, FormatNumberAndSettingsText) {
    EXPECT_EQ(FormatNumber(0), "0");
    EXPECT_EQ(FormatNumber(80), "80");
    EXPECT_EQ(FormatNumber(10), "10");
    EXPECT_EQ(FormatNumber(1000000000), "1000000000");
    EXPECT_EQ(FormatNumber(4294967295u), "4294967295");
    EXPECT_EQ(FormatSettingsText(SettingsDefaults), "80,50,44,960,11,");
    EXPECT_EQ(FormatSettingsText({-1, 0, INT32_MAX, INT32_MIN, 1}),
              "4294967295,0,2147483647,2147483648,1,");
}

TEST(SettingsText, WhatIsWrittenLoadsBackUnchanged) {
    const Settings cases[] = {
        SettingsDefaults, {-1, -1, -1, -1, -1},   {INT32_MIN, INT32_MAX, 0, 1, -2},
        {0, 0, 0, 0, 0},  {500, 3, 50, 1000, 15},
    };
    for (const auto& s : cases) {
        EXPECT_EQ(Describe(SettingsFromText(FormatSettingsText(s))), Describe(s));
        // Slider values reach a saver as they would once saved.
        EXPECT_EQ(Describe(SaverParametersFromSettings(s)),
                  Describe(SaverParametersFromText(FormatSettingsText(s))));
    }
}

} // namespace
