// The program's start-up: the command line, the main scheme, the message loop, teardown.
// Nothing here names a toolkit: the window layer's realisation linked into the program does.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace hi {

class TClassSimpleForm_221F170;

// The first command-line argument with one pair of enclosing double quotes removed (when it
// begins and ends with one and is longer than one character); empty without arguments.
std::string firstArgument(int argc, char** argv);
// Only "/ih" itself, exactly and in this case, is the information switch.
bool isInfoSwitch(std::string_view argument);

// Installs what the graph needs of the window layer and of the platform: pixels per inch,
// the notice box, the embedded resources.
void installProgramSeams();

// Builds the main scheme and starts it (runtime on, start-up handlers, window shown), as the
// program does before its message loop. Needs the toolkit, the seams and a home thread.
std::unique_ptr<TClassSimpleForm_221F170> startUploader();

// Runs the message loop until the main window has closed.
void runMessageLoop(TClassSimpleForm_221F170& scheme);

// The whole program; returns its exit code: 0 both ways out, 2 when the toolkit cannot
// work here (no display).
int runUploader(int argc, char** argv);

}  // namespace hi
