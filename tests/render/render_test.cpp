#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "saver/input_watch.h"
#include "saver/saver_state.h"
#include "saver/soft_surface.h"
#include "settings/settings.h"
#include "tavorinex/commands.h"
#include "tavorinex/image_io.h"
#include "tavorinex/render_args.h"
#include "tavorinex/render_run.h"
#include "tests/render/gif_decode.h"
#include "tests/render/test_files.h"

namespace {

bool Exists(const std::string& path) {
    return std::ifstream(path).good();
}

std::string WriteSettings(const std::string& name, const std::string& text) {
    std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << text << '\0';
    return path;
}

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ToolRun RunTool(const std::string& args) {
    ToolRun run;
    std::string errPath = TempPath("stderr.txt");
    std::string command = std::string(TAVORINEX_TOOL) + " render " + args + " 2>" + errPath;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = FileBytes(errPath);
    return run;
}

// The value of one key of the tool's one-line JSON object, as text.
std::string JsonField(const std::string& json, const std::string& key) {
    std::string marker = "\"" + key + "\":";
    size_t at = json.find(marker);
    if (at == std::string::npos) {
        return "";
    }
    at += marker.size();
    size_t end = json.find_first_of(",}", at);
    return json.substr(at, end - at);
}

uint64_t JsonNumber(const std::string& json, const std::string& key) {
    return std::stoull(JsonField(json, key));
}

// Polls of one wipe: two pauses of 100P + 1 and (H/2 + 1) + (H + 1) lines of P + 1.
uint64_t WipePolls(uint64_t height, uint64_t p) {
    return 2 * (100 * p + 1) + (height / 2 + height + 2) * (p + 1);
}

TEST(RenderTool, SameSeedAndSettingsGiveIdenticalFiles) {
    std::string settings = WriteSettings("quick.ini", "80,50,48,1000,13,");
    const char* outputs[] = {"--out %s.png", "--out %s.ppm", "--gif %s.gif --frame-ms 40"};
    const char* extensions[] = {".png", ".ppm", ".gif"};
    for (int i = 0; i < 3; ++i) {
        std::vector<std::string> bytes;
        for (const char* run : {"a", "b"}) {
            std::string base = TempPath(std::string("same_") + run);
            char output[512];
            std::snprintf(output, sizeof output, outputs[i], base.c_str());
            ToolRun result = RunTool("--seed 7 --width 200 --height 150 --steps 1500 --settings " +
                                     settings + " " + output);
            ASSERT_EQ(result.exitCode, 0) << result.err;
            bytes.push_back(FileBytes(base + extensions[i]));
        }
        EXPECT_GT(bytes[0].size(), 100u);
        EXPECT_EQ(bytes[0], bytes[1]) << extensions[i];
    }
    // The acceptance run, at the default size and without a settings file.
    ToolRun first = RunTool("--seed 7 --steps 2000 --out " + TempPath("a.png"));
    ToolRun second = RunTool("--seed 7 --steps 2000 --out " + TempPath("b.png"));
    ToolRun other = RunTool("--seed 8 --steps 2000 --out " + TempPath("c.png"));
    ASSERT_EQ(first.exitCode, 0) << first.err;
    ASSERT_EQ(second.exitCode, 0) << second.err;
    ASSERT_EQ(other.exitCode, 0) << other.err;
    EXPECT_EQ(FileBytes(TempPath("a.png")), FileBytes(TempPath("b.png")));
    EXPECT_NE(FileBytes(TempPath("a.png")), FileBytes(TempPath("c.png")));
}

TEST(RenderTool, PngAndPpmHoldExactlyTheSurfacePixels) {
    SaverParameters params = SaverParametersFromText("60,40,45,990,12,");
    std::string error;
    RenderRun render;
    ASSERT_TRUE(StartRender(render, 120, 90, params, 12345, error)) << error;
    RenderCounts counts;
    for (int i = 0; i < 700; ++i) {
        RenderStep(render, counts);
    }
    RgbImage screen = RenderScreen(render);
    std::vector<uint32_t> surface;
    for (int32_t y = 0; y < 90; ++y) {
        for (int32_t x = 0; x < 120; ++x) {
            surface.push_back(soft::GetPixel(render.Surface, render.Screen, x, y));
        }
    }
    EndRender(render);
    std::vector<uint32_t> distinct = surface;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    ASSERT_GT(distinct.size(), 20u); // a trail with a fade, not a blank screen

    ASSERT_TRUE(WritePng(screen, TempPath("surface.png"), error)) << error;
    RgbImage read;
    ASSERT_TRUE(ReadPng(TempPath("surface.png"), read, error)) << error;
    EXPECT_EQ(read.Width, 120);
    EXPECT_EQ(read.Height, 90);
    EXPECT_EQ(read.Pixels, surface);

    // The tool's own files of the same run, both formats.
    std::string settings = WriteSettings("surface.ini", "60,40,45,990,12,");
    std::string args = "--seed 12345 --width 120 --height 90 --steps 700 --settings " + settings;
    ASSERT_EQ(RunTool(args + " --out " + TempPath("tool.png")).exitCode, 0);
    ASSERT_EQ(RunTool(args + " --out " + TempPath("tool.ppm")).exitCode, 0);
    ASSERT_TRUE(ReadPng(TempPath("tool.png"), read, error)) << error;
    EXPECT_EQ(read.Pixels, surface);
    std::vector<uint8_t> rgb = RgbBytes(read);
    EXPECT_EQ(FileBytes(TempPath("tool.ppm")),
              "P6\n120 90\n255\n" + std::string(rgb.begin(), rgb.end()));
}

TEST(RenderTool, JsonCountsFollowTheSaversArithmetic) {
    ToolRun plain = RunTool("--seed 7 --steps 2000 --json");
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out, "{\"steps\":2000,\"polls\":88000,\"wipes\":0,\"seconds\":88.000,"
                         "\"seed\":7}\n"); // StepDelay 44 without a file

    const struct {
        const char* settings;
        const char* args;
        uint64_t stepDelay;
        uint64_t wipeDelay;
        uint64_t height;
        uint64_t minWipes;
    } cases[] = {
        // The defaults saved to a file: StepDelay 7, EraseBounceCount 60, WipeDelay 4.
        {"80,50,44,960,11,", "--seed 7 --seconds 120", 7, 4, 768, 1},
        {"80,50,48,1000,13,", "--seed 3 --width 160 --height 120 --seconds 10", 3, 2, 120, 3},
        {"40,50,50,1000,15,", "--seed 9 --width 90 --height 61 --steps 3000", 1, 0, 61, 5},
        // EraseFrequency 1020: EraseBounceCount 0, a wipe in every step.
        {"80,50,44,1020,14,", "--seed 1 --width 40 --height 30 --steps 3", 7, 1, 30, 3},
    };
    for (const auto& c : cases) {
        std::string settings = WriteSettings("json.ini", c.settings);
        ToolRun run = RunTool(std::string(c.args) + " --settings " + settings + " --json");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        uint64_t steps = JsonNumber(run.out, "steps");
        uint64_t polls = JsonNumber(run.out, "polls");
        uint64_t wipes = JsonNumber(run.out, "wipes");
        EXPECT_GE(wipes, c.minWipes) << c.settings;
        EXPECT_EQ(polls, steps * c.stepDelay + wipes * WipePolls(c.height, c.wipeDelay))
            << c.settings;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%llu.%03llu",
                      static_cast<unsigned long long>(polls / 1000),
                      static_cast<unsigned long long>(polls % 1000));
        EXPECT_EQ(JsonField(run.out, "seconds"), seconds);
    }
    EXPECT_EQ(WipePolls(768, 4), 6572u); // the wipe's own worked example
}

TEST(RenderTool, SecondsStopAtTheFirstStepBoundaryAtOrPastThem) {
    std::string defaults = WriteSettings("defaults.ini", "80,50,44,960,11,"); // StepDelay 7
    const struct {
        const char* seconds;
        uint64_t steps;
        uint64_t polls;
    } cases[] = {
        {"0", 0, 0},      {"0.007", 1, 7},      {"0.0071", 2, 14},     {".014", 2, 14},
        {"1", 143, 1001}, {"1.001", 143, 1001}, {"1.0010", 143, 1001}, {"1.002", 144, 1008},
    };
    for (const auto& c : cases) {
        ToolRun run = RunTool(std::string("--seed 5 --json --seconds ") + c.seconds +
                              " --settings " + defaults);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(JsonNumber(run.out, "steps"), c.steps) << c.seconds;
        EXPECT_EQ(JsonNumber(run.out, "polls"), c.polls) << c.seconds;
    }

    // Across wipes: the step before the stop had not reached the time yet.
    std::string quick = WriteSettings("quick.ini", "80,50,48,1000,13,");
    for (const char* seconds : {"6", "7.5", "9"}) {
        std::string args = "--seed 4 --width 160 --height 120 --json --settings " + quick;
        ToolRun run = RunTool(args + " --seconds " + seconds);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        uint64_t target = static_cast<uint64_t>(std::stod(seconds) * 1000);
        uint64_t steps = JsonNumber(run.out, "steps");
        EXPECT_GE(JsonNumber(run.out, "polls"), target);
        EXPECT_GE(JsonNumber(run.out, "wipes"), 1u);
        ToolRun before = RunTool(args + " --steps " + std::to_string(steps - 1));
        EXPECT_LT(JsonNumber(before.out, "polls"), target) << seconds;
    }
}

// Every frame of the GIF is the screen as the saver had it at that frame's time, mid-wipe
// frames included, and the delays add up to the run's saver time.
TEST(RenderTool, GifFramesAreTheScreenAtTheirTimes) {
    const std::string text = "50,50,49,1000,14,"; // StepDelay 2, EraseBounceCount 20, WipeDelay 1
    const uint32_t seed = 77;
    const uint64_t frameMs = 30;
    std::string settings = WriteSettings("gif.ini", text);
    std::string gifPath = TempPath("frames.gif");
    ToolRun run = RunTool("--seed 77 --width 128 --height 96 --seconds 8 --frame-ms 30 --json "
                          "--settings " +
                          settings + " --gif " + gifPath);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, ""); // nothing quantised
    uint64_t polls = JsonNumber(run.out, "polls");
    ASSERT_GE(JsonNumber(run.out, "wipes"), 1u);

    // The same run again, looking at the screen at every frame time.
    struct Seen {
        RenderRun render;
        std::vector<std::vector<uint32_t>> screens;
    } seen;
    std::string error;
    ASSERT_TRUE(StartRender(seen.render, 128, 96, SaverParametersFromText(text), seed, error))
        << error;
    // The screen holds still through a wait: it is what every frame time inside it shows.
    RenderWaitObserver atFrames = [](void* context, uint64_t first, uint32_t count) {
        Seen& s = *static_cast<Seen*>(context);
        for (uint64_t time = first; time < first + count; ++time) {
            if (time % 30 == 0) {
                s.screens.push_back(RenderScreen(s.render).Pixels);
            }
        }
    };
    RenderCounts counts;
    while (counts.Polls < 8000) {
        RenderStep(seen.render, counts, atFrames, &seen);
    }
    EndRender(seen.render);
    ASSERT_EQ(counts.Polls, polls);
    ASSERT_EQ(seen.screens.size(), (polls + frameMs - 1) / frameMs);
    // Equal neighbours make one longer frame.
    std::vector<std::vector<uint32_t>> distinct;
    for (const auto& screen : seen.screens) {
        if (distinct.empty() || distinct.back() != screen) {
            distinct.push_back(screen);
        }
    }

    DecodedGif gif = DecodeGif(gifPath);
    ASSERT_TRUE(gif.ok);
    EXPECT_TRUE(gif.loops);
    ASSERT_EQ(gif.frames.size(), distinct.size());
    uint64_t total = 0;
    bool interlaced = false;
    for (size_t i = 0; i < distinct.size(); ++i) {
        ASSERT_EQ(gif.frames[i].screen.Pixels, distinct[i]) << "frame " << i;
        total += static_cast<uint64_t>(gif.frames[i].delay);
        // A mid-wipe frame: a coloured row 0 over a row 1 that still shows the trail.
        uint32_t top = distinct[i][0];
        bool rowColoured = top != 0;
        for (int x = 0; x < 128 && rowColoured; ++x) {
            rowColoured = distinct[i][x] == top && distinct[i][128 + x] != top;
        }
        interlaced = interlaced || rowColoured;
    }
    EXPECT_TRUE(interlaced);
    EXPECT_EQ(total, (polls + 5) / 10);
}

TEST(RenderTool, BadArgumentsExitWithTwoAndOneLine) {
    std::string out = TempPath("bad.png");
    std::remove(out.c_str());
    const char* cases[] = {
        "",
        "--steps 10 --bogus",
        "--steps",
        "--steps -1",
        "--steps 10x",
        "--seconds 1.2.3",
        "--seconds abc",
        "--seconds -1",
        "--steps 10 --width 0",
        "--steps 10 --width 40000",
        "--steps 10 --height abc",
        "--steps 10 --width 32768 --height 32768",
        "--steps 10 --seed 4294967296",
        "--steps 10 --seed -3",
        "--steps 10 --out picture.jpg",
        "--steps 10 --gif movie.png",
        "--steps 10 --gif movie.gif --frame-ms 10",
        "--steps 10 --frame-ms 40",
        "--steps 10 --json=yes",
        "--steps 10 --settings /no/such/tavorinex.ini",
    };
    for (const char* args : cases) {
        ToolRun run = RunTool(std::string(args) + " --out " + out);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_EQ(run.err.rfind("tavorinex render: ", 0), 0u) << args << ": " << run.err;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_FALSE(Exists(out)) << args;
    }
}

TEST(RenderTool, UnwritableOutputsFailWithOne) {
    ToolRun png = RunTool("--seed 1 --steps 5 --out /no/such/dir/a.png");
    EXPECT_EQ(png.exitCode, 1);
    EXPECT_NE(png.err.find("/no/such/dir/a.png"), std::string::npos);
    ToolRun gif = RunTool("--seed 1 --steps 5 --gif /no/such/dir/a.gif");
    EXPECT_EQ(gif.exitCode, 1);
    EXPECT_NE(gif.err.find("/no/such/dir/a.gif"), std::string::npos);
}

TEST(RenderTool, WithoutASeedTheClockIsUsedAndPrinted) {
    ToolRun run = RunTool("--steps 1 --json");
    ASSERT_EQ(run.exitCode, 0);
    std::string seed = JsonField(run.out, "seed");
    EXPECT_EQ(run.err, "tavorinex render: --seed " + seed + "\n");
}

// StepDelay -9 between wipes that never come (EraseBounceCount 2147481020): each step still
// polls once, so saver time runs on and --seconds ends the run.
TEST(RenderTool, StepsWithoutAWaitStillAdvanceSaverTime) {
    std::string settings = WriteSettings("fast.ini", "40,50,60,-2147480000,5,");
    ToolRun run =
        RunTool("--seed 2 --width 100 --height 80 --settings " + settings + " --seconds 1 --json");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(JsonField(run.out, "steps"), "1000");
    EXPECT_EQ(JsonField(run.out, "polls"), "1000");
    EXPECT_EQ(JsonField(run.out, "wipes"), "0");
}

TEST(RenderArgs, SecondsBecomePollsRoundedUp) {
    const struct {
        const char* text;
        bool ok;
        uint64_t polls;
    } cases[] = {
        {"0", true, 0},          {"1", true, 1000},   {"2.5", true, 2500},
        {"0.001", true, 1},      {"0.0001", true, 1}, {"0.0010000", true, 1},
        {".5", true, 500},       {"5.", true, 5000},  {"100000000", true, 100000000000},
        {"100000001", false, 0}, {"", false, 0},      {".", false, 0},
        {"1e3", false, 0},       {"+1", false, 0},    {"1,5", false, 0},
    };
    for (const auto& c : cases) {
        uint64_t polls = 0;
        EXPECT_EQ(ParseSeconds(c.text, polls), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(polls, c.polls) << c.text;
        }
    }
}

} // namespace
