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

// Whether a file could be written at `path` now: its folder exists and takes a new file, and
// the path names no directory or other non-regular file. Tried with a temporary file that is
// removed again, so that a long run fails at once rather than at its end.
// Errors are one line without the path.
bool CheckOutputPath(const std::string& path, std::string& error);

// Creates the temporary file, with the mode an existing target has (a new one gets the
// usual permissions). It is removed again if the process is interrupted or terminated.
bool OutputOpen(OutputFile& file, const std::string& path, std::string& error);

// Flushes, syncs and closes the temporary file and renames it to the target. On any failure
// the temporary file is removed and the target keeps what it had.
bool OutputCommit(OutputFile& file, std::string& error);

// Closes and removes the temporary file; the target keeps what it had.
void OutputDiscard(OutputFile& file);
