#pragma once
// Ctrl+C on a visible window is a click on its close box. The signal only writes a byte
// to a pipe; the event loop reads it and clicks the close box of the topmost visible
// window. With no visible window (or one without a close box) SIGINT does what it did
// before: by default, end the process. A SIGINT the process was started ignoring stays
// ignored.
//
// A program whose windows have no close box may be ended by Ctrl+C instead: the signal's
// handler itself gives the terminal back and ends the process with the status given, so
// that it does so at once, also while no messages are pumped (through a long load, say)
// and between two windows.

#include "forms/EventLoop.h"
#include "vb/Descriptor.h"

#include <optional>

namespace forms {

class InterruptAsCloseBox {
public:
    // `endStatus`, when given, is the status Ctrl+C ends the process with, whatever the
    // process is doing.
    explicit InterruptAsCloseBox(std::optional<int> endStatus = std::nullopt);
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
