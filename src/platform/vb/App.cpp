#include "vb/App.h"

#include "vb/Encoding.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace vb {

namespace {

AppInfo LoadAppInfo() {
    AppInfo info;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        info.Path = DecodeName(exe.parent_path().native());
        info.EXEName = DecodeName(exe.stem().native());
    }
    info.Major = QUORVEL_VERSION_MAJOR;
    info.Minor = QUORVEL_VERSION_MINOR;
    info.Revision = QUORVEL_VERSION_PATCH;
    return info;
}

String& CommandText() {
    static String text;
    return text;
}

std::vector<void (*)()>& EndHooks() {
    static std::vector<void (*)()> hooks;
    return hooks;
}

} // namespace

const AppInfo& App() {
    static const AppInfo info = LoadAppInfo();
    return info;
}

const String& Command() {
    return CommandText();
}

void SetCommandLine(const std::vector<std::string>& arguments) {
    String text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) {
            text.push_back(u' ');
        }
        text += DecodeName(arguments[i]);
    }
    CommandText() = std::move(text);
}

void Start(int argc, char** argv) {
    SetCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    ::signal(SIGXFSZ, SIG_IGN);
}

void AtEnd(void (*hook)()) {
    EndHooks().push_back(hook);
}

void RunEndWork() {
    for (auto* hook : std::exchange(EndHooks(), {})) {
        hook();
    }
}

void End(int status) {
    RunEndWork();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

} // namespace vb
