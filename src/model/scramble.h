// Record images and the scrambling transform: the codec between plain records
// and the bytes a project file (and a survey file's control points) holds.
//
// A record image is the record laid out field by field at fixed offsets, every
// number little-endian, a text as 12 bytes followed by its zero terminator, and
// the unlisted filler bytes zero. `scramble` turns an image into its stored form
// (every number big-endian, every byte XORed with H for newer keys) and back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/records.h"

namespace vornex {

using RecordImage = std::vector<unsigned char>;

// Bytes of the image of a kind: 0 IntersectionPoint 100, 1 AlignmentElement 92,
// 2 GradePoint 24, 3 ChainBreak 16, 4 CrossSectionPlate 56, 5 SlopeAssignment 24,
// 6 SlopeTemplate 13 (name and terminator), 7 SlopeTemplateRow 44, 9 and 10
// changes 24, 11 ControlPoint 52, 12 Structure 60, 13 Bridge 60, 14 Pier 32,
// 15 Pile 44, 16 Tunnel 36, 17 TunnelTemplate 48, 18 BlastHole 32, 19..21
// ContourElement 32, 22 TunnelSlopeRule 12, 23 TunnelStationRule 16.
// 0 for kind 8 and for codes that are no kind.
int imageSize(RecordKind kind);

// H = (5 * key + 123) mod 256, the XOR byte of a key (83 -> 0x1A, 62 -> 0xB1).
unsigned char scrambleByte(int key);

// The scrambling transform; its own inverse. Every field of the kind's layout is
// byte-reversed and, when key >= 62, XORed with scrambleByte(key). The texts of
// kinds 0, 1 and 11 are left untouched while key < 62; every other text is always
// reversed as one 12-byte block. Terminators and filler bytes never change. Kind
// 8 (and an unknown kind) leaves the image as it is. A key below 0 stands for
// `roadKey`. Fields that do not fit in a short image are left alone.
void scramble(std::span<unsigned char> image, int key, RecordKind kind, int roadKey = kFormatVersion);

// Plain images of records (all filler zero).
RecordImage makeImage(const IntersectionPoint& r);
RecordImage makeImage(const AlignmentElement& r);
RecordImage makeImage(const GradePoint& r);
RecordImage makeImage(const ChainBreak& r);
RecordImage makeImage(const CrossSectionPlate& r);
RecordImage makeImage(const SlopeAssignment& r);
RecordImage makeImage(const SlopeTemplate& r);  // the name only
RecordImage makeImage(const SlopeTemplateRow& r);
RecordImage makeImage(const PlateChange& r);    // kinds 9 and 10
RecordImage makeImage(const ControlPoint& r);
RecordImage makeImage(const Structure& r);
RecordImage makeImage(const Bridge& r);          // without its piers
RecordImage makeImage(const Pier& r);            // without its piles
RecordImage makeImage(const Pile& r);
RecordImage makeImage(const Tunnel& r);          // without its lists
RecordImage makeImage(const TunnelTemplate& r);  // without its contours
RecordImage makeImage(const BlastHole& r);
RecordImage makeImage(const ContourElement& r);  // kinds 19, 20, 21
RecordImage makeImage(const TunnelSlopeRule& r);
RecordImage makeImage(const TunnelStationRule& r);

// Fields of a record from a plain image. A text is taken up to its first zero
// byte (the rest is zero-filled). Child lists of the record are left as they
// are. False, with the record unchanged, when the image is shorter than its kind.
bool readImage(std::span<const unsigned char> image, IntersectionPoint& r);
bool readImage(std::span<const unsigned char> image, AlignmentElement& r);
bool readImage(std::span<const unsigned char> image, GradePoint& r);
bool readImage(std::span<const unsigned char> image, ChainBreak& r);
bool readImage(std::span<const unsigned char> image, CrossSectionPlate& r);
bool readImage(std::span<const unsigned char> image, SlopeAssignment& r);
bool readImage(std::span<const unsigned char> image, SlopeTemplate& r);
bool readImage(std::span<const unsigned char> image, SlopeTemplateRow& r);
bool readImage(std::span<const unsigned char> image, PlateChange& r);
bool readImage(std::span<const unsigned char> image, ControlPoint& r);
bool readImage(std::span<const unsigned char> image, Structure& r);
bool readImage(std::span<const unsigned char> image, Bridge& r);
bool readImage(std::span<const unsigned char> image, Pier& r);
bool readImage(std::span<const unsigned char> image, Pile& r);
bool readImage(std::span<const unsigned char> image, Tunnel& r);
bool readImage(std::span<const unsigned char> image, TunnelTemplate& r);
bool readImage(std::span<const unsigned char> image, BlastHole& r);
bool readImage(std::span<const unsigned char> image, ContourElement& r);
bool readImage(std::span<const unsigned char> image, TunnelSlopeRule& r);
bool readImage(std::span<const unsigned char> image, TunnelStationRule& r);

// A fixed text from raw bytes: up to the first zero byte, zero-filled after it.
// Bytes are kept exactly (no re-cutting), so names read from files come back
// unchanged.
template <std::size_t N>
FixedText<N> fixedTextFromBytes(std::span<const unsigned char> bytes) {
    FixedText<N> t;
    for (std::size_t i = 0; i < N && i < bytes.size() && bytes[i] != 0; ++i)
        t.bytes[i] = static_cast<char>(bytes[i]);
    return t;
}

}  // namespace vornex
