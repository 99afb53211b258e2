#pragma once
// What the terminal presenter draws on: a character terminal.

#include "forms/TerminalRescue.h"
#include "forms/TerminalSettings.h"

#include <optional>
#include <string_view>

namespace forms {

struct TerminalSize {
    int columns = 80;
    int rows = 24;
    bool operator==(const TerminalSize&) const = default;
};

class TerminalDevice {
public:
    virtual ~TerminalDevice() = default;
    virtual void write(std::string_view bytes) = 0;
    virtual TerminalSize size() const = 0;
    // Keys typed while a form is shown must not scribble over it.
    virtual void setEcho(bool on) = 0;
    // What undoes a mode written to the terminal, should a signal end the process (empty
    // once the mode is off).
    virtual void keepUndo(TerminalMode, std::string_view) {}
};

// The terminal behind a descriptor the process does not own (standard output).
class TtyDevice final : public TerminalDevice {
public:
    explicit TtyDevice(int fd) : fd_(fd) {}
    void write(std::string_view bytes) override;
    TerminalSize size() const override;
    void setEcho(bool on) override;
    void keepUndo(TerminalMode mode, std::string_view undo) override { KeepUndo(mode, fd_, undo); }

private:
    int fd_;
    std::optional<TerminalSettingHold> noEcho_;
};

} // namespace forms
