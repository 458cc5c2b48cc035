// Files the tool writes appear whole or not at all: each is written under a temporary name
// beside its target and renamed into place only once every write and the close succeeded.
#pragma once

#include <cstdio>
#include <string>

struct OutputFile {
    std::string Path;     // the target, a symbolic link followed to the file it names
    std::string TempPath; // empty while nothing is open
    std::FILE* Stream = nullptr;
};

// Removes the temporary files on SIGHUP, SIGINT, SIGTERM and SIGQUIT, which then end the
// process as they would have. Installed before any file is read or written.
void RemoveOutputsOnSignals();
// Removes every temporary file still open; safe in a signal handler.
void RemovePendingOutputs();

// Whether a file could be written at `path` now and later renamed into place: its folder exists
// and takes a new file, the path names no directory or other non-regular file, and a file that
// is there may be replaced by this process (in a sticky folder only its owner, the folder's
// owner or a privileged process may). Tried with a temporary file that is removed again, so
// that a long run fails at once rather than at its end. Temporary files of earlier runs that
// were killed, older than a minute, are removed from the folder.
// Errors are one line without the path.
bool CheckOutputPath(const std::string& path, std::string& error);

// Whether two paths name the same file once links are followed, or would create the same one.
bool SameFile(const std::string& a, const std::string& b);

// Creates the temporary file, with the mode an existing target has (a new one gets the
// usual permissions). It is removed again if the process is interrupted or terminated.
bool OutputOpen(OutputFile& file, const std::string& path, std::string& error);

// Flushes, syncs and closes the temporary file; on failure removes it.
bool OutputFinish(OutputFile& file, std::string& error);
// Renames a finished temporary file to its target; on failure removes it.
bool OutputRename(OutputFile& file, std::string& error);
// Both: on any failure the temporary file is removed and the target keeps what it had.
bool OutputCommit(OutputFile& file, std::string& error);

// Closes and removes the temporary file; the target keeps what it had.
void OutputDiscard(OutputFile& file);
