#pragma once
// The OLE2 compound file that Excel 97-2003 workbooks live in, reduced to what a writer of one
// stream needs: version 3 (512-byte sectors), a root storage holding a single stream, the
// allocation table (FAT) and, past 109 FAT sectors (about 7 MB), the chain of DIFAT sectors.
#include <QByteArray>
#include <QString>

namespace ui {

// The streams shorter than this belong in the mini stream; the writer pads its one stream
// up to it instead, so that it has no mini stream to keep (Excel reads its records and
// stops at the sheet's last EOF record).
inline constexpr int kCfbMiniStreamCutoff = 4096;

// A compound file whose root storage holds `stream` under `streamName` (at most 31
// characters), padded with zero bytes to at least kCfbMiniStreamCutoff. Throws
// std::length_error when the stream is too long for a version 3 file (4 GB).
QByteArray compoundFile(const QString& streamName, QByteArray stream);

}  // namespace ui
