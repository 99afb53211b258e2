#include "backuprun/quorvel.h"
#include "forms/EventLoop.h"
#include "forms/Interrupt.h"
#include "forms/PickPresenter.h"
#include "settings/Module5.h"
#include "vb/App.h"
#include "vb/Handler.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    vb::SetCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    Module5::InstallRegistryBranch();
    forms::PickPresenter();
    const forms::InterruptAsCloseBox interrupt;
    quorvel& window = quorvel::Instance();
    vb::RunEventHandler([&] { window.Form_Load(); });
    forms::EventLoop::instance().run();
}
