#ifndef TEXTCODEC_H
#define TEXTCODEC_H

#include <QByteArray>
#include <QString>

// How the station's store keeps a filed file's bytes: one zstd frame each,
// with the bytes' count and a checksum in it, so that what comes back is the
// file to the byte or an error, never something else. An empty file is kept
// as no bytes at all. No dictionary: trained on result files it saved under a
// tenth (their readings are what costs, and no dictionary knows them), and
// every store would have to keep every dictionary ever shipped. A frame names
// the dictionary it was made with (0 for none); one this code does not have
// is refused with its number.
namespace results::textcodec {

// On result files level 1 packs within 2 % of what levels 3 to 5 make of
// them, in three quarters of level 3's time; higher levels gain a few per
// cent more at several times the time (bench_textcodec).
constexpr int Level = 1;

// The stored form of bytes: an empty QByteArray for none (which binds as an
// empty value), a null one when they could not be packed (no memory).
QByteArray pack(const QByteArray &bytes);

// The bytes back from their stored form; false with the reason (and bytes
// empty) when stored is not a whole frame this code can read.
bool unpack(const QByteArray &stored, QByteArray &bytes, QString *error = nullptr);

} // namespace results::textcodec

#endif
