#pragma once
// A picture object as the runtime hands it out: it owns one bitmap, reached through its
// handle, and deletes it at its end.

#include "win32/Gdi.h"

namespace win32 {

class StdPicture {
public:
    explicit StdPicture(HBITMAP bitmap) : handle_(bitmap) {}
    ~StdPicture() { DeleteObject(handle_); }
    StdPicture(const StdPicture&) = delete;
    StdPicture& operator=(const StdPicture&) = delete;

    HBITMAP Handle() const { return handle_; }

private:
    HBITMAP handle_;
};

} // namespace win32
