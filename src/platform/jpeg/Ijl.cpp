#include "jpeg/Ijl.h"

#include "vb/Descriptor.h"
#include "vb/Error.h"
#include "vb/Files.h"

#include <fcntl.h>
#include <limits>
#include <memory>
#include <string_view>
#include <turbojpeg.h>
#include <unistd.h>

namespace jpeg {

struct EncoderState {
    tjhandle compressor = nullptr;

    EncoderState() = default;
    EncoderState(const EncoderState&) = delete;
    EncoderState& operator=(const EncoderState&) = delete;
    ~EncoderState() {
        if (compressor != nullptr) {
            tjDestroy(compressor);
        }
    }
};

JPEG_CORE_PROPERTIES::JPEG_CORE_PROPERTIES() = default;
JPEG_CORE_PROPERTIES::~JPEG_CORE_PROPERTIES() = default;

namespace {

struct JpegBufferFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using JpegBuffer = std::unique_ptr<unsigned char, JpegBufferFree>;

bool ImageIsSound(const JPEG_CORE_PROPERTIES& p) {
    if (p.DIBBytes == nullptr || p.DIBWidth <= 0 || p.DIBHeight == 0 ||
        p.DIBHeight == std::numeric_limits<std::int32_t>::min() || p.DIBPadBytes < 0) {
        return false;
    }
    const std::int32_t height = p.DIBHeight < 0 ? -p.DIBHeight : p.DIBHeight;
    const std::int64_t pitch = static_cast<std::int64_t>(p.DIBWidth) * 3 + p.DIBPadBytes;
    return p.JPGWidth == p.DIBWidth && p.JPGHeight == height &&
           pitch <= std::numeric_limits<int>::max();
}

int WriteTo(int fd, const unsigned char* data, unsigned long size) {
    try {
        vb::WriteAll(fd, std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const vb::Error&) {
        return CannotWriteFile;
    }
    return IJL_OK;
}

int WriteFile(const JPEG_CORE_PROPERTIES& p, const unsigned char* data, unsigned long size) {
    if (p.JPGFileDescriptor >= 0) {
        return WriteTo(p.JPGFileDescriptor, data, size);
    }
    vb::Descriptor fd(::open(p.JPGFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd) {
        return CannotOpenFile;
    }
    const int r = WriteTo(fd.get(), data, size);
    if (::close(fd.release()) != 0) {
        return CannotWriteFile;
    }
    return r;
}

} // namespace

int ijlInit(JPEG_CORE_PROPERTIES* jcprops) {
    if (jcprops == nullptr) {
        return NoRecord;
    }
    auto state = std::make_unique<EncoderState>();
    state->compressor = tjInitCompress();
    if (state->compressor == nullptr) {
        return InitialisationFailed;
    }
    jcprops->state = std::move(state);
    return IJL_OK;
}

int ijlWrite(JPEG_CORE_PROPERTIES* jcprops, int iotype) {
    if (jcprops == nullptr) {
        return NoRecord;
    }
    if (!jcprops->state) {
        return NotInitialised;
    }
    if (iotype != IJL_JFILE_WRITEWHOLEIMAGE) {
        return UnsupportedMode;
    }
    const JPEG_CORE_PROPERTIES& p = *jcprops;
    if (!ImageIsSound(p)) {
        return BadImage;
    }
    if (p.jquality < 1 || p.jquality > 100) {
        return BadQuality;
    }
    if (p.JPGFile == nullptr && p.JPGFileDescriptor < 0) {
        return CannotOpenFile;
    }
    const int pitch = p.DIBWidth * 3 + p.DIBPadBytes;
    const int height = p.DIBHeight < 0 ? -p.DIBHeight : p.DIBHeight;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int flags = p.DIBHeight < 0 ? TJFLAG_BOTTOMUP : 0;
    const int r = tjCompress2(p.state->compressor, p.DIBBytes, p.DIBWidth, pitch, height, TJPF_BGR,
                              &out, &size, TJSAMP_420, p.jquality, flags);
    const JpegBuffer encoded(out);
    if (r != 0) {
        return EncodingFailed;
    }
    return WriteFile(p, encoded.get(), size);
}

int ijlFree(JPEG_CORE_PROPERTIES* jcprops) {
    if (jcprops == nullptr) {
        return NoRecord;
    }
    if (!jcprops->state) {
        return NotInitialised;
    }
    jcprops->state.reset();
    return IJL_OK;
}

} // namespace jpeg
