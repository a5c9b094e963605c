// Where this program keeps the records it leaves for the user (the journal and the line
// traces): the user's own state folder, never a shared or system one.
#pragma once

#include <cstdint>
#include <string>

namespace hi {

// $XDG_STATE_HOME/tormisaplex (by default ~/.local/state/tormisaplex) on Linux,
// %LOCALAPPDATA%\Tormisaplex on Windows; UTF-8. Empty when the system names no such folder.
std::string recorderFolder();

// `path` with the user's home folder at its start written as "~" (on Windows
// "%USERPROFILE%"), so that a record never carries the user's name.
std::string withoutHomeFolder(const std::string& path);

// A write past the process's file-size limit fails (EFBIG) instead of ending the program.
void keepGoingPastFileSizeLimit();

// The id of this process, to keep the files of parallel processes apart.
std::uint64_t currentProcessId();

}  // namespace hi
