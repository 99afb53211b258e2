#pragma once
// Ctrl+C on a visible window is a click on its close box. The signal only writes a byte
// to a pipe; the event loop reads it and clicks the close box of the topmost visible
// window. With no visible window (or one without a close box) SIGINT does what it did
// before: by default, end the process. A SIGINT the process was started ignoring stays
// ignored.

#include "forms/EventLoop.h"
#include "vb/Descriptor.h"

#include <functional>

namespace forms {

class InterruptAsCloseBox {
public:
    // `closing`, when given, is what Ctrl+C does on a visible window without a close box
    // (a program whose windows have none ends by it, its terminal given back).
    explicit InterruptAsCloseBox(std::function<void()> closing = {});
    ~InterruptAsCloseBox();
    InterruptAsCloseBox(const InterruptAsCloseBox&) = delete;
    InterruptAsCloseBox& operator=(const InterruptAsCloseBox&) = delete;

private:
    void onReadable();

    std::function<void()> closing_;
    vb::Descriptor read_;
    vb::Descriptor write_;
    EventLoop::Id watch_ = 0;
    bool installed_ = false;
};

} // namespace forms
