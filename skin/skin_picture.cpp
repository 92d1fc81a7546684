#include "skin/skin_picture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gif_lib.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace SkinModule {

namespace {

bool acceptable(const struct stat& status)
{
    return S_ISREG(status.st_mode) && status.st_size <= MaxPictureBytes;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// giflib reads through a callback; this one serves the bytes already read.
struct MemoryInput {
    const QByteArray& bytes;
    qsizetype position = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* into, int wanted)
{
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(wanted, input->bytes.size() - input->position);
    std::memcpy(into, input->bytes.constData() + input->position, static_cast<size_t>(n));
    input->position += n;
    return static_cast<int>(n);
}

class GifDecoder {
public:
    explicit GifDecoder(MemoryInput& input)
    {
        int error = 0;
        gif_ = DGifOpen(&input, readFromMemory, &error);
    }
    ~GifDecoder()
    {
        if (gif_) {
            int error = 0;
            DGifCloseFile(gif_, &error);
        }
    }
    GifDecoder(const GifDecoder&) = delete;
    GifDecoder& operator=(const GifDecoder&) = delete;
    GifFileType* get() const { return gif_; }

private:
    GifFileType* gif_ = nullptr;
};

bool withinPixelLimit(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width * height <= MaxPicturePixels;
}

// Decodes the first image's pixels, which giflib checks for a premature end
// of the LZW data or of the file; after the last line it reads on to the
// image's closing empty sub-block.
bool firstImageComplete(GifFileType* gif)
{
    const GifImageDesc& frame = gif->Image;
    // The canvas Qt allocates: the logical screen, or the frame's extent
    // when the screen gives no size.
    const std::int64_t canvasWidth = gif->SWidth > 0 ? gif->SWidth : std::int64_t{frame.Left} + frame.Width;
    const std::int64_t canvasHeight = gif->SHeight > 0 ? gif->SHeight : std::int64_t{frame.Top} + frame.Height;
    if (!withinPixelLimit(canvasWidth, canvasHeight) || !withinPixelLimit(frame.Width, frame.Height))
        return false;
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    for (int row = 0; row < frame.Height; ++row) {
        if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK)
            return false;
    }
    return true;
}

}  // namespace

QByteArray ReadRegularFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0'))
        return {};
    // Opening a FIFO for reading waits for a writer, and opening a device
    // can act on it: only what is a regular file now is opened at all.
    struct stat status {};
    if (::stat(native.constData(), &status) != 0 || !acceptable(status))
        return {};
    // Should something else take the name meanwhile, O_NONBLOCK keeps the
    // open from waiting and fstat sees what was really opened.
    const FileDescriptor file(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !acceptable(status))
        return {};

    // The file may still grow while it is read: the limit holds all the same.
    QByteArray bytes(static_cast<qsizetype>(status.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > MaxPictureBytes)
                return {};
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, MaxPictureBytes + 1));
        }
        const ssize_t n = ::read(file.get(), bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR)
            return {};
        if (n > 0)
            filled += n;
    }
    bytes.truncate(filled);
    return bytes;
}

bool IsCompleteGif(const QByteArray& bytes)
{
    MemoryInput input{bytes};
    const GifDecoder decoder(input);
    GifFileType* gif = decoder.get();
    if (!gif)
        return false;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) != GIF_OK)
            return false;
        switch (record) {
        case IMAGE_DESC_RECORD_TYPE:
            return DGifGetImageDesc(gif) == GIF_OK && firstImageComplete(gif);
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK)
                return false;
            while (block) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                    return false;
            }
            break;
        }
        default:  // the trailer before any image, or a byte that starts no record
            return false;
        }
    }
}

QImage ReadSkinPicture(const QString& path)
{
    QByteArray bytes = ReadRegularFile(path);
    // Qt's reader would paint whatever rows it got from a cut-off file and
    // report success, and warns on standard error about pictures over its
    // allocation limit; giflib reports both, so only what it decodes whole
    // goes on to Qt, which decodes it as it always did.
    if (!IsCompleteGif(bytes))
        return {};
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "gif");
    return reader.read();
}

}  // namespace SkinModule
