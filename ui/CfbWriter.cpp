#include "ui/CfbWriter.h"

#include <QtEndian>
#include <cstring>
#include <stdexcept>

namespace ui {

namespace {

constexpr int kSectorSize = 512;
constexpr quint32 kEntriesPerSector = kSectorSize / 4;  // FAT entries, or DIFAT entries + next
constexpr quint32 kHeaderDifatEntries = 109;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;

void put16(QByteArray& out, int at, quint16 v) {
    qToLittleEndian(v, out.data() + at);
}
void put32(QByteArray& out, int at, quint32 v) {
    qToLittleEndian(v, out.data() + at);
}

quint32 ceilDiv(quint64 a, quint64 b) {
    return static_cast<quint32>((a + b - 1) / b);
}

// One 128-byte directory entry at `at`; an empty name makes the unused entry.
void putDirectoryEntry(QByteArray& out, int at, const QString& name, quint8 type, quint32 child,
                       quint32 start, quint32 size) {
    put32(out, at + 68, kNoStream);  // left sibling
    put32(out, at + 72, kNoStream);  // right sibling
    put32(out, at + 76, child);
    if (name.isEmpty()) return;
    for (int i = 0; i < name.size(); ++i) put16(out, at + 2 * i, name.at(i).unicode());
    put16(out, at + 64, static_cast<quint16>(2 * (name.size() + 1)));  // with the terminator
    out[at + 66] = static_cast<char>(type);
    out[at + 67] = 1;  // black: a one-node red-black tree
    put32(out, at + 116, start);
    put32(out, at + 120, size);
}

}  // namespace

QByteArray compoundFile(const QString& streamName, QByteArray stream) {
    if (streamName.isEmpty() || streamName.size() > 31)
        throw std::invalid_argument("compound file stream names have 1 to 31 characters");
    if (stream.size() < kCfbMiniStreamCutoff)
        stream.append(kCfbMiniStreamCutoff - stream.size(), 0);
    // Version 3 sizes are 32-bit; staying below 2 GB also keeps QByteArray offsets in range.
    if (static_cast<quint64>(stream.size()) > 0x7F000000ULL)
        throw std::length_error("stream too long for a compound file");

    const quint32 streamSectors = ceilDiv(stream.size(), kSectorSize);
    // The FAT covers every sector, its own and the DIFAT's included: grow both until stable.
    quint32 fatSectors = 0, difatSectors = 0;
    for (;;) {
        const quint64 total = quint64(fatSectors) + difatSectors + 1 + streamSectors;
        const quint32 fat = ceilDiv(total, kEntriesPerSector);
        const quint32 difat = fat > kHeaderDifatEntries
                                  ? ceilDiv(fat - kHeaderDifatEntries, kEntriesPerSector - 1)
                                  : 0;
        if (fat == fatSectors && difat == difatSectors) break;
        fatSectors = fat;
        difatSectors = difat;
    }
    // Sector order: FAT, DIFAT, directory, stream.
    const quint32 firstDifat = fatSectors;
    const quint32 directory = fatSectors + difatSectors;
    const quint32 firstStream = directory + 1;
    const quint32 totalSectors = firstStream + streamSectors;

    QByteArray out(qsizetype(kSectorSize) * (1 + totalSectors), 0);
    auto sectorAt = [](quint32 sector) { return int((sector + 1) * kSectorSize); };

    // Header.
    static const unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(out.data(), kSignature, sizeof kSignature);
    put16(out, 24, 0x003E);  // minor version
    put16(out, 26, 0x0003);  // major version 3
    put16(out, 28, 0xFFFE);  // little-endian
    put16(out, 30, 9);       // 2^9 = 512-byte sectors
    put16(out, 32, 6);       // 2^6 = 64-byte mini sectors
    put32(out, 44, fatSectors);
    put32(out, 48, directory);
    put32(out, 56, kCfbMiniStreamCutoff);
    put32(out, 60, kEndOfChain);  // no mini FAT
    put32(out, 68, difatSectors ? firstDifat : kEndOfChain);
    put32(out, 72, difatSectors);
    for (quint32 i = 0; i < kHeaderDifatEntries; ++i)
        put32(out, 76 + 4 * i, i < fatSectors ? i : kFreeSect);

    // DIFAT sectors: the locations of the FAT sectors past the header's 109, then the next.
    for (quint32 d = 0; d < difatSectors; ++d) {
        const int at = sectorAt(firstDifat + d);
        for (quint32 i = 0; i < kEntriesPerSector - 1; ++i) {
            const quint32 fat = kHeaderDifatEntries + d * (kEntriesPerSector - 1) + i;
            put32(out, at + 4 * i, fat < fatSectors ? fat : kFreeSect);
        }
        put32(out, at + 4 * (kEntriesPerSector - 1),
              d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
    }

    // FAT: one entry per sector.
    const int fatAt = sectorAt(0);  // the FAT sectors are contiguous from sector 0
    for (quint32 s = 0; s < fatSectors * kEntriesPerSector; ++s) {
        quint32 entry = kFreeSect;
        if (s < fatSectors)
            entry = kFatSect;
        else if (s < directory)
            entry = kDifSect;
        else if (s == directory)
            entry = kEndOfChain;
        else if (s < totalSectors)
            entry = s + 1 < totalSectors ? s + 1 : kEndOfChain;
        put32(out, fatAt + int(4 * s), entry);
    }

    // Directory: the root storage, its one stream, two unused entries.
    const int dirAt = sectorAt(directory);
    putDirectoryEntry(out, dirAt, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    putDirectoryEntry(out, dirAt + 128, streamName, 2, kNoStream, firstStream,
                      static_cast<quint32>(stream.size()));
    putDirectoryEntry(out, dirAt + 256, {}, 0, kNoStream, 0, 0);
    putDirectoryEntry(out, dirAt + 384, {}, 0, kNoStream, 0, 0);

    std::memcpy(out.data() + sectorAt(firstStream), stream.constData(), stream.size());
    return out;
}

}  // namespace ui
