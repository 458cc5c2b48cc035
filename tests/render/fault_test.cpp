// The tool under faults: each case runs one invocation against a folder of its own and checks
// its exit code, its one line of error and what the folder holds afterwards.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/render/test_files.h"

namespace {

namespace fs = std::filesystem;

struct FaultCase {
    const char* name;
    // The folder's entries first: "x/" a folder, "x|" a FIFO, otherwise a file of mode 0640
    // holding its own name.
    const char* before;
    bool fullDisk;       // the folder is a 16 KiB tmpfs: room for those entries and 12 KiB more
    const char* command; // for sh: $T is the tool, $D the folder
    int exitCode;
    // The entries afterwards, as above; "x+" is a file of the first ones with new content.
    const char* after;
};

const FaultCase Cases[] = {
    // Settings that are no plain file are refused at once and never opened.
    {"settings-fifo", "fifo|", false, "$T render --seed 1 --steps 1 --settings $D/fifo", 2,
     "fifo|"},
    {"settings-folder", "dir/", false, "$T render --seed 1 --steps 1 --settings $D/dir", 2, "dir/"},
    {"settings-device", "", false, "$T render --seed 1 --steps 1 --settings /dev/zero", 2, ""},
    // Outputs that cannot be written fail before a run of three years, and leave nothing.
    {"out-missing-folder", "", false,
     "$T render --seed 1 --seconds 100000000 --gif $D/a.gif --out $D/no/a.png", 1, ""},
    {"out-is-a-folder", "a.png/", false, "$T render --seed 1 --seconds 100000000 --out $D/a.png", 1,
     "a.png/"},
    // A full disk: no partial file, and the file that was there keeps its content.
    {"full-disk-ppm", "", true, "$T render --seed 7 --steps 20 --out $D/a.ppm", 1, ""},
    {"full-disk-png-over-a-file", "a.png", true, "$T render --seed 7 --steps 2000 --out $D/a.png",
     1, "a.png"},
    {"full-disk-gif", "", true, "$T render --seed 7 --steps 200 --gif $D/a.gif", 1, ""},
    // With room the file is replaced, keeping its mode.
    {"replaces-a-file", "a.png", true, "$T render --seed 7 --steps 20 --width 8 --out $D/a.png", 0,
     "a.png+"},
    // Ended while it writes: the unfinished file goes too.
    {"terminated", "", false,
     "$T render --seed 1 --seconds 100000000 --gif $D/a.gif & p=$!; "
     "until [ -n \"$(ls -A \"$D\")\" ]; do sleep 0.01; done; kill $p; wait $p",
     143, ""},
    // Standard output that cannot be written is a failure.
    {"params-stdout-full", "", false, "$T params $D/none.ini >/dev/full", 1, ""},
    {"render-stdout-full", "", false, "$T render --seed 1 --steps 1 --json >/dev/full", 1, ""},
    {"help-stdout-full", "", false, "$T render --help >/dev/full", 1, ""},
    {"render-stdout-closed", "", false, "$T render --seed 1 --steps 1 --json >&-", 1, ""},
};

bool WriteText(const char* path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return static_cast<bool>(out.flush());
}

// Mounts made by these tests live in a mount namespace of this process's own, so they are
// gone when it ends, however it ends, and never seen by the rest of the machine. Without
// root, a user namespace grants the mount.
bool PrivateMounts(std::string& error) {
    static int state = 0; // 1 done, -1 failed
    static std::string failure;
    if (state == 0) {
        uid_t uid = geteuid();
        gid_t gid = getegid();
        bool own = unshare(CLONE_NEWNS) == 0;
        if (!own && unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
            own = WriteText("/proc/self/setgroups", "deny") &&
                  WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                  WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
        }
        own = own && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        failure = own ? "" : std::string("no mount namespace: ") + std::strerror(errno);
        state = own ? 1 : -1;
    }
    error = failure;
    return state == 1;
}

std::string Listing(const std::string& dir, const std::vector<std::string>& before) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        std::string name = entry.path().filename().string();
        std::string shown = name;
        if (entry.is_directory()) {
            shown += "/";
        } else if (entry.is_fifo()) {
            shown += "|";
        } else if (std::find(before.begin(), before.end(), name) == before.end() ||
                   FileBytes(entry.path().string()) != name) {
            shown += "+";
        }
        if (entry.is_regular_file() &&
            std::find(before.begin(), before.end(), name) != before.end()) {
            EXPECT_EQ(fs::status(entry.path()).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
                << name;
        }
        names.push_back(shown);
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names) {
        listing += (listing.empty() ? "" : " ") + name;
    }
    return listing;
}

void RunCase(const FaultCase& c) {
    std::string dir = TempPath(std::string("fault-") + c.name);
    fs::create_directories(dir);
    std::string error;
    if (c.fullDisk) {
        ASSERT_TRUE(PrivateMounts(error)) << error;
        ASSERT_EQ(mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=16k"), 0) << std::strerror(errno);
    }
    std::vector<std::string> before;
    std::istringstream words(c.before);
    for (std::string entry; words >> entry;) {
        before.push_back(entry);
    }
    for (const std::string& entry : before) {
        char kind = entry.back();
        std::string path = dir + "/" + entry;
        if (kind == '/') {
            ASSERT_TRUE(fs::create_directory(path)) << entry;
        } else if (kind == '|') {
            path.pop_back();
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << entry;
        } else {
            ASSERT_TRUE(WriteText(path.c_str(), entry)) << entry;
            ASSERT_EQ(chmod(path.c_str(), 0640), 0) << entry;
        }
    }

    // Bounded: a run that blocks or renders first fails here instead of holding up the suite.
    std::string outPath = TempPath("fault-stdout.txt");
    std::string errPath = TempPath("fault-stderr.txt");
    setenv("T", TAVORINEX_TOOL, 1);
    setenv("D", dir.c_str(), 1);
    setenv("CMD", c.command, 1);
    int status = std::system(("timeout 60 sh -c \"$CMD\" >" + outPath + " 2>" + errPath).c_str());
    std::string err = FileBytes(errPath);

    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitCode) << err;
    EXPECT_EQ(FileBytes(outPath), "");
    if (c.exitCode == 1 || c.exitCode == 2) {
        EXPECT_TRUE(err.rfind("tavorinex", 0) == 0 && err.find('\n') == err.size() - 1) << err;
    }
    EXPECT_EQ(Listing(dir, before), c.after);
    if (c.fullDisk) {
        umount2(dir.c_str(), MNT_DETACH);
    }
}

TEST(ToolFaults, ExitCodesAndWhatIsLeftOnDisk) {
    for (const FaultCase& c : Cases) {
        SCOPED_TRACE(c.name);
        RunCase(c);
    }
}

} // namespace
