// quorvel-config: the configuration window, for the group its command line names.
#include "configwindow/Form1.h"
#include "forms/EventLoop.h"
#include "forms/Interrupt.h"
#include "forms/PickPresenter.h"
#include "settings/Module5.h"
#include "vb/App.h"
#include "vb/Handler.h"
#include "win32/Input.h"

int main(int argc, char** argv) {
    vb::Start(argc, argv);
    Module5::InstallRegistryBranch();
    if (forms::TerminalPresenter* terminal = forms::PickPresenter()) {
        win32::FollowTerminalPointer(*terminal);
    }
    // The windows have no close box: Ctrl+C on the terminal closes them, which ends the
    // program, at once, even in the middle of the load.
    const forms::InterruptAsCloseBox interrupt(0);
    Form1& window = Form1::Instance();
    vb::RunEventHandler([&] {
        window.Form_Load();
        window.Show();
    });
    forms::EventLoop::instance().run();
}
