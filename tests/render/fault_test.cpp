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
    const char* command; // for sh: $T is the tool, $D the folder, $LIMIT_MEMORY limits memory
    int exitCode;
    // The entries afterwards, as above, and "x@" a link; "x+" is a file that is new or of the
    // first ones with new content.
    const char* after;
};

// Another user, as root can act: the effective ids only (a program started so), or all. The
// leak checker cannot work in a process whose ids differ: under the sanitizers, all.
#if defined(__SANITIZE_ADDRESS__)
#define AS_NOBODY "setpriv --reuid=nobody --regid=nogroup --clear-groups "
#else
#define AS_NOBODY "setpriv --euid=nobody --egid=nogroup --clear-groups "
#endif
#define ALL_NOBODY "setpriv --reuid=nobody --regid=nogroup --clear-groups "

const FaultCase Cases[] = {
    // Settings that are no plain file are refused at once and never opened.
    {"settings-fifo", "fifo|", false, "$T render --seed 1 --steps 1 --settings $D/fifo", 2,
     "fifo|"},
    {"settings-folder", "dir/", false, "$T render --seed 1 --steps 1 --settings $D/dir", 2, "dir/"},
    {"settings-device", "", false, "$T render --seed 1 --steps 1 --settings /dev/zero", 2, ""},
    // One a process started with other effective ids cannot read is refused by each program.
    {"settings-unreadable-render", "s.ini", false,
     AS_NOBODY "$T render --seed 1 --steps 1 --settings $D/s.ini", 2, "s.ini"},
    {"settings-unreadable-params", "s.ini", false, AS_NOBODY "$T params $D/s.ini", 2, "s.ini"},
    {"settings-unreadable-hack", "s.ini", false, AS_NOBODY "env -u DISPLAY $T --settings $D/s.ini",
     2, "s.ini"},
    // Outputs that are one file, or the settings file, are refused before anything is written.
    {"out-is-the-gif", "x.gif", false,
     "ln -s x.gif $D/x.png; $T render --seed 1 --steps 1 --out $D/x.png --gif $D/x.gif", 2,
     "x.gif x.png@"},
    {"out-is-the-settings", "s.png", false,
     "$T render --seed 1 --steps 1 --out $D/s.png --settings $D/s.png", 2, "s.png"},
    // A file it reads keeps growing: read as it was when opened.
    {"settings-growing", "", false,
     "truncate -s 16M $D/g.ini; (while :; do truncate -s +64M $D/g.ini; done) & g=$!; "
     "$T render --seed 1 --steps 1 --settings $D/g.ini; r=$?; kill $g; exit $r",
     0, "g.ini+"},
    // Ended while it loads a long settings file: the hack ends quietly.
    {"hack-terminated-loading", "", false,
     "truncate -s 2G $D/big.ini; env -u DISPLAY $T --settings $D/big.ini & p=$!; "
     "until ls -l /proc/$p/fd | grep -q big.ini; do sleep 0.01; done; kill $p; wait $p",
     0, "big.ini+"},
    // Outputs that cannot be written fail before a run of three years, and leave nothing.
    {"out-missing-folder", "", false,
     "$T render --seed 1 --seconds 100000000 --gif $D/a.gif --out $D/no/a.png", 1, ""},
    {"out-is-a-folder", "a.png/", false, "$T render --seed 1 --seconds 100000000 --out $D/a.png", 1,
     "a.png/"},
    {"out-not-replaceable", "a.png", false,
     "chmod 1777 $D; chmod 666 $D/a.png; " ALL_NOBODY
     "$T render --seed 1 --seconds 100000000 --out $D/a.png; r=$?; chmod 640 $D/a.png; exit $r",
     1, "a.png"},
    {"out-path-with-a-newline", "", false, "$T render --seed 1 --steps 1 --out \"$D/a\nb/c.png\"",
     1, ""},
    // Beyond what the tool allocates: refused. Out of memory: no file is touched.
    {"memory-beyond-the-cap", "", false,
     "$T render --seed 1 --steps 1 --width 16384 --height 16384 --gif $D/a.gif", 2, ""},
    {"out-of-memory", "a.gif a.png", false,
     "eval \"$LIMIT_MEMORY\"; $T render --seed 1 --steps 50 --width 4096 --height 2048 --gif "
     "$D/a.gif "
     "--out $D/a.png",
     1, "a.gif a.png"},
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
    {"quit", "", false,
     "ulimit -c 0; env --default-signal=QUIT $T render --seed 1 --seconds 100000000 --gif $D/a.gif "
     "& p=$!; until [ -n \"$(ls -A \"$D\")\" ]; do sleep 0.01; done; kill -QUIT $p; wait $p",
     131, ""},
    // What killed runs left, older than a minute and named as ours, goes with the next run.
    {"stale-temporaries", "", false,
     "cd $D && touch -d '-2 minutes' .tavorinex-Ab12Cd .tavorinex-Ab12C .tavorinex-Ab_2Cd && "
     "touch .tavorinex-Fresh1 && $T render --seed 1 --steps 1 --out a.png",
     0, ".tavorinex-Ab12C+ .tavorinex-Ab_2Cd+ .tavorinex-Fresh1+ a.png+"},
    // Standard output that cannot be written is a failure.
    {"params-stdout-full", "", false, "cd $D && $T params >/dev/full", 1, ""},
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
        if (entry.is_symlink()) {
            shown += "@";
        } else if (entry.is_directory()) {
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
    // A copy another user may run: the build tree may lie where only its owner can reach.
    fs::copy_file(TAVORINEX_TOOL, TempPath("tavorinex"));
    setenv("T", TempPath("tavorinex").c_str(), 1);
    // The sanitizers reserve more address space than any limit leaves: they fail large
    // allocations on request instead, with a warning of their own beside the folder.
#if defined(__SANITIZE_ADDRESS__)
    setenv("LIMIT_MEMORY",
           "export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=16:"
           "log_path=$D.asan",
           1);
#else
    setenv("LIMIT_MEMORY", "ulimit -v 120000", 1);
#endif
    for (const FaultCase& c : Cases) {
        SCOPED_TRACE(c.name);
        RunCase(c);
    }
}

} // namespace
