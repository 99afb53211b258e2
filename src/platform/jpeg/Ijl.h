#pragma once
// The JPEG library stand-in: a properties record filled by the caller, and the calls that
// prepare it, write the image it describes to a file and release it. Encoding is done by
// libjpeg-turbo, straight from the caller's blue-green-red rows.

#include <cstdint>
#include <memory>

namespace jpeg {

inline constexpr int IJL_OK = 0;
// Write the whole image to the file named by JPGFile.
inline constexpr int IJL_JFILE_WRITEWHOLEIMAGE = 8;

// Failure codes of this library.
inline constexpr int NoRecord = -1;
inline constexpr int NotInitialised = -2;
inline constexpr int InitialisationFailed = -3;
inline constexpr int UnsupportedMode = -4;
inline constexpr int BadImage = -5;   // pixels, sizes or padding that describe no image
inline constexpr int BadQuality = -6; // outside 1 to 100
inline constexpr int EncodingFailed = -7;
inline constexpr int CannotOpenFile = -8;
inline constexpr int CannotWriteFile = -9;

// The library's own state between ijlInit and ijlFree.
struct EncoderState;

struct JPEG_CORE_PROPERTIES {
    // The pixels: 3 bytes each, blue, green, red; each row DIBWidth pixels followed by
    // DIBPadBytes spare bytes. A negative DIBHeight means the rows run bottom-up.
    const std::uint8_t* DIBBytes = nullptr;
    std::int32_t DIBWidth = 0;
    std::int32_t DIBHeight = 0;
    std::int32_t DIBPadBytes = 0;
    // The file to write: a NUL-terminated name in the system's 8-bit code page.
    const char* JPGFile = nullptr;
    // Or a file already open for writing, which takes the image from its current offset in
    // place of the file JPGFile names; -1 for none. It stays open, and the caller's.
    int JPGFileDescriptor = -1;
    // The image in the file: the same size as the pixels (no scaling).
    std::int32_t JPGWidth = 0;
    std::int32_t JPGHeight = 0;
    std::int32_t jquality = 0;

    std::unique_ptr<EncoderState> state;

    JPEG_CORE_PROPERTIES();
    ~JPEG_CORE_PROPERTIES();
    JPEG_CORE_PROPERTIES(const JPEG_CORE_PROPERTIES&) = delete;
    JPEG_CORE_PROPERTIES& operator=(const JPEG_CORE_PROPERTIES&) = delete;
};

// Prepares the record; IJL_OK or a failure code.
int ijlInit(JPEG_CORE_PROPERTIES* jcprops);
// Encodes the image and writes the file (replacing what the name held, or into the open
// file); IJL_OK or a failure code, after which the file may hold a partial image.
int ijlWrite(JPEG_CORE_PROPERTIES* jcprops, int iotype);
// Releases what ijlInit prepared.
int ijlFree(JPEG_CORE_PROPERTIES* jcprops);

} // namespace jpeg
