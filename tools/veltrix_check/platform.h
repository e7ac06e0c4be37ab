// What the checker needs of the system it runs on: its arguments as UTF-8,
// the console, the default browser. Windows calls on Windows, plain stand-ins
// elsewhere; platform.cpp is the one place that knows which.
#pragma once

#include <string>
#include <vector>

namespace check {

// The command-line arguments after the program's name, in UTF-8 whatever
// letters they hold.
std::vector<std::string> arguments(int argc, char** argv);

// The folder that holds the program itself, in UTF-8.
std::string programDirectory();

// Lets UTF-8 text reach the console as written.
void prepareConsole();

// Waits until Enter is pressed (or input ends) when the program has its
// console to itself and reads from it: started from Explorer (a double-click,
// or a file dropped on it), its window would close before the result is read.
void holdOwnConsole();

// Opens a page in the default browser; false when that could not be done.
bool openInBrowser(const std::string& path);

}  // namespace check
