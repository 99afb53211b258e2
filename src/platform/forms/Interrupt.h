#pragma once
// Ctrl+C on a visible window is a click on its close box. The signal only writes a byte
// to a pipe; the event loop reads it and clicks the close box of the topmost visible
// window. With no visible window (or one without a close box) SIGINT does what it did
// before: by default, end the process. A SIGINT the process was started ignoring stays
// ignored.

#include "forms/EventLoop.h"
#include "vb/Descriptor.h"

namespace forms {

class InterruptAsCloseBox {
public:
    InterruptAsCloseBox();
    ~InterruptAsCloseBox();
    InterruptAsCloseBox(const InterruptAsCloseBox&) = delete;
    InterruptAsCloseBox& operator=(const InterruptAsCloseBox&) = delete;

private:
    void onReadable();

    vb::Descriptor read_;
    vb::Descriptor write_;
    EventLoop::Id watch_ = 0;
    bool installed_ = false;
};

} // namespace forms
