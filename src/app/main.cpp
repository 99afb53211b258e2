#include "backuprun/quorvel.h"
#include "forms/EventLoop.h"
#include "forms/Interrupt.h"
#include "forms/PickPresenter.h"
#include "settings/Module5.h"
#include "vb/App.h"
#include "vb/Handler.h"

int main(int argc, char** argv) {
    vb::Start(argc, argv);
    Module5::InstallRegistryBranch();
    forms::PickPresenter();
    const forms::InterruptAsCloseBox interrupt;
    quorvel& window = quorvel::Instance();
    vb::RunEventHandler([&] { window.Form_Load(); });
    forms::EventLoop::instance().run();
}
