#pragma once

namespace dodu::host {

// Makes a console standard output show the UTF-8 this program writes (a Windows console shows
// its own code page otherwise). Nothing to do where terminals take UTF-8 as it is.
void PrepareTerminalOutput();
// Whether standard output is a terminal that obeys ANSI colour sequences.
bool OutputTerminalShowsColours();

}  // namespace dodu::host
