#pragma once

// Reading one skin picture from a folder the user controls: whatever lies
// there, the read returns at once, allocates little, and prints nothing.

#include <cstdint>

#include <QByteArray>
#include <QImage>
#include <QString>

namespace SkinModule {

// Largest canvas or frame a skin picture may have. A frame piece is drawn at
// most the size of a window (the largest, imgTitleMain, is 396 x 30 on the
// calculation window, 792 x 60 drawn at twice the scale), and a noise picture
// of this many pixels is read, checked and decoded in about 4 ms: fourteen of
// them cannot hold a window up for more than a moment.
inline constexpr std::int64_t MaxPicturePixels = 512 * 512;

// Largest skin file read. At the worst LZW ratio (12-bit codes, one pixel
// each) a picture of MaxPicturePixels takes 384 KiB plus one length byte per
// 255 of data; 512 KiB holds that with colour tables and extensions.
inline constexpr std::int64_t MaxPictureBytes = 512 * 1024;

// The contents of path if it is a regular file (after following symbolic
// links) of at most MaxPictureBytes; empty otherwise. A FIFO, device,
// socket or folder is never opened, or, if one takes the file's place
// between the check and the open, is closed again without reading.
QByteArray ReadRegularFile(const QString& path);

// Whether bytes hold a GIF whose first image, the one a picture shows,
// decodes completely: every pixel present and its data closed, with canvas
// and frame within MaxPicturePixels.
bool IsCompleteGif(const QByteArray& bytes);

// The picture of the GIF file at path, decoded as QImageReader decodes it,
// or a null image when ReadRegularFile or IsCompleteGif refuses it.
QImage ReadSkinPicture(const QString& path);

}  // namespace SkinModule
