// The settings text fed piece by piece must give the very fields of the whole text read the
// plain way, bit for bit, however it is cut.
#include "settings/settings.h"
#include "settings/settings_scan.h"
#include "settings_reference.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// Every bit of every field, so that -0 and 0 or two neighbouring doubles differ.
std::string Bits(const SettingsFields& fields) {
    std::string text = std::to_string(fields.Count);
    for (double value : fields.Values) {
        text += " " + std::to_string(std::bit_cast<uint64_t>(value));
    }
    return text;
}

SettingsFields ScanPieces(const std::string& text, const std::vector<std::size_t>& cuts) {
    SettingsScan scan{};
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        ScanSettingsText(scan, std::string_view(text).substr(from, cut - from));
        from = cut;
    }
    ScanSettingsText(scan, std::string_view(text).substr(from));
    return scan.Fields;
}

std::string RandomDigits(std::mt19937& random, std::size_t count, const char* digits) {
    const std::string set(digits);
    std::uniform_int_distribution<std::size_t> pick(0, set.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += set[pick(random)];
    }
    return text;
}

std::vector<std::string> Texts() {
    std::mt19937 random(13);
    std::vector<std::string> texts = {
        "",
        "80,50,44,960,11,",
        std::string("80,50,44,960,11,\0", 17),
        "-,+,&,&H,&O,",
        "-0,-.5,+-3,.,&x1,7",
        "&h1F,&o17,&H-1,&O8,&Hfz,",
        "2.5,-2.5,43.49999999999999,27.4999999999999999,1.2.3,",
        " 80,80px,,1e5,9 9,",
        std::string("\0\0,5\0,\xff\xfe,9,\x80,more,after,", 24),
        "1,2,3,4,5,6,7,8,9,",
        ",,,,",
        "1,2,3",
        // Digits around the point where place values become infinite, zeros in front of a
        // finite number, and a fraction longer than any double can tell.
        "1" + std::string(307, '0') + ",1" + std::string(308, '0') + ",1" + std::string(309, '0') +
            ",9" + std::string(308, '0') + ",",
        std::string(5000, '0') + "42," + std::string(500, '0') + "1" + std::string(308, '0') +
            ",0." + std::string(400, '3') + ",-" + std::string(330, '0') + ".5,",
        // Prefixed digits past the 16 or 22 that the 64-bit place values keep.
        "&HFFFFFFFFFFFFFFFF1,&O" + std::string(30, '7') + ",&H1" + std::string(40, '0') + ",",
    };
    // Random runs of every length across the windows' edges.
    for (std::size_t length : {15, 16, 17, 21, 22, 23, 300, 308, 309, 310, 319, 320, 321, 700}) {
        std::string text = RandomDigits(random, length, "0123456789") + "," +
                           RandomDigits(random, length, "0000000001") + "." +
                           RandomDigits(random, length, "0123456789") + ",&H" +
                           RandomDigits(random, length, "0123456789abcdefABCDEF") + ",&o" +
                           RandomDigits(random, length, "01234567") + ",-" +
                           RandomDigits(random, length, "9") + ",";
        texts.push_back(text);
    }
    return texts;
}

TEST(SettingsScan, EveryCutGivesTheFieldsOfTheWholeText) {
    std::mt19937 random(7);
    for (const std::string& text : Texts()) {
        SCOPED_TRACE(text.substr(0, 40));
        const std::string whole = Bits(reference::Fields(text));
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            ASSERT_EQ(Bits(ScanPieces(text, {cut})), whole) << "cut at " << cut;
        }
        std::vector<std::size_t> everyByte;
        for (std::size_t at = 1; at < text.size(); ++at) {
            everyByte.push_back(at);
        }
        EXPECT_EQ(Bits(ScanPieces(text, everyByte)), whole);
        std::uniform_int_distribution<std::size_t> step(1, 64);
        for (int round = 0; round < 20; ++round) {
            std::vector<std::size_t> cuts;
            for (std::size_t at = step(random); at < text.size(); at += step(random)) {
                cuts.push_back(at);
            }
            ASSERT_EQ(Bits(ScanPieces(text, cuts)), whole) << "round " << round;
        }
    }
}

TEST(SettingsScan, SaysWhenTheFifthCommaIsRead) {
    SettingsScan scan{};
    EXPECT_FALSE(ScanSettingsText(scan, "1,2,3,"));
    EXPECT_FALSE(ScanSettingsText(scan, "4,5"));
    EXPECT_TRUE(ScanSettingsText(scan, ",6,"));
    EXPECT_TRUE(ScanSettingsText(scan, "7,8,"));
    EXPECT_EQ(Bits(scan.Fields), Bits(reference::Fields("1,2,3,4,5,")));
}

} // namespace
