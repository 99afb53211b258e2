#pragma once
// The running program: its folder, name, version and command line, and the end of it.

#include "vb/String.h"

#include <string>
#include <vector>

namespace vb {

struct AppInfo {
    // Folder of the running executable, without a closing separator.
    String Path;
    // File name of the executable without its extension.
    String EXEName;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
};

const AppInfo& App();

// The platform's separator of file path levels.
inline constexpr Char PathSeparator = u'/';

// The command-line text: the arguments joined with one blank between them.
const String& Command();
// Called once by main() with its arguments (argv[0] excluded).
void SetCommandLine(const std::vector<std::string>& arguments);
// What main() does first: takes its command line (`argv` as main() has it) and makes a
// write past the file-size limit fail with an error rather than end the process, which
// would leave the file written in place half done.
void Start(int argc, char** argv);

// Ends the process at once with `status`; terminal output is flushed first.
[[noreturn]] void End(int status = 0);

// Work to do just before End ends the process (restoring the terminal, say).
void AtEnd(void (*hook)());
// Does that work now, for a last word that must reach the terminal given back; End then
// does it no more.
void RunEndWork();

} // namespace vb
