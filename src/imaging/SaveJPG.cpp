#include "imaging/cDIBSection.h"
#include "jpeg/Ijl.h"
#include "vb/App.h"
#include "vb/Arithmetic.h"
#include "vb/Convert.h"
#include "vb/Encoding.h"
#include "vb/TemporaryFile.h"
#include "win32/FileStamp.h"

#include <optional>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void RaiseJpegError(vb::StringView what, int code) {
    throw vb::Error(26001, vb::String(what) + vb::CStr(static_cast<std::int32_t>(code)),
                    vb::App().EXEName + u".mIntelJPEGLibrary");
}

// A file being written for `target` in its folder; none when it cannot be made there. A
// folder that refuses it would refuse to delete the file it replaces too: that refusal is
// the runtime's error and reaches the caller.
std::optional<vb::TemporaryFile> NewFileFor(const std::string& target, bool replacing) {
    if (target.empty()) {
        return std::nullopt;
    }
    try {
        return vb::TemporaryFile::Create(target, 0666);
    } catch (const vb::Error&) {
        if (replacing) {
            throw;
        }
        return std::nullopt;
    }
}

// Gives the written file the target's name. A folder that refuses to let the old file go
// (a sticky folder and a file of another user) refuses to delete it: that refusal is the
// runtime's error and reaches the caller, the old file left as it was.
bool PutInPlace(vb::TemporaryFile& written) {
    try {
        written.Commit();
        return true;
    } catch (const vb::Error& e) {
        if (e.number() == vb::err::PermissionDenied) {
            throw;
        }
        return false;
    }
}

} // namespace

bool cDIBSection::SaveJPG(const cDIBSection& cDib, vb::StringView sFile, std::int32_t lQuality) {
    // The record releases what ijlInit attached to it at its end, whatever ends the call.
    jpeg::JPEG_CORE_PROPERTIES jcprops;
    if (const int r = jpeg::ijlInit(&jcprops); r != jpeg::IJL_OK) {
        RaiseJpegError(u"Failed to initialise the IJL library: ", r);
    }

    // A file that stands at the path is replaced only once the new one is complete, so a
    // failed write leaves it as it was; one that may not be deleted is not replaced.
    const std::optional<win32::FileStamp> old = win32::ReadFileStamp(sFile);
    if (old && (!old->regularFile || old->readOnly())) {
        vb::Raise(vb::err::PathFileAccess);
    }

    jcprops.DIBWidth = cDib.Width();
    jcprops.DIBHeight = vb::SubLong(0, cDib.Height()); // bottom-up rows
    jcprops.DIBBytes = cDib.DIBSectionBitsPtr();
    jcprops.DIBPadBytes = vb::SubLong(cDib.BytesPerScanLine(), vb::MulLong(cDib.Width(), 3));

    const std::string target = vb::EncodeName(sFile);
    std::optional<vb::TemporaryFile> written = NewFileFor(target, old.has_value());
    if (!written) {
        RaiseJpegError(u"Failed to save to JPG ", jpeg::CannotOpenFile);
    }
    // The library writes through the new file's descriptor: opening it again by name would
    // be refused to its owner under a umask that takes away the owner's write permission.
    jcprops.JPGFile = target.c_str();
    jcprops.JPGFileDescriptor = written->fd();
    jcprops.JPGWidth = cDib.Width();
    jcprops.JPGHeight = cDib.Height();
    jcprops.jquality = lQuality;

    const int r = jpeg::ijlWrite(&jcprops, jpeg::IJL_JFILE_WRITEWHOLEIMAGE);
    if (r != jpeg::IJL_OK) {
        jpeg::ijlFree(&jcprops);
        RaiseJpegError(u"Failed to save to JPG ", r);
    }
    if (old) {
        win32::ApplyFileStamp(written->fd(), *old);
    }
    if (::fsync(written->fd()) != 0 || !PutInPlace(*written)) {
        RaiseJpegError(u"Failed to save to JPG ", jpeg::CannotWriteFile);
    }
    jpeg::ijlFree(&jcprops);
    return true;
}
