#include "model/scramble.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>

namespace vornex {

namespace {

enum FieldType : unsigned char { T, I, D };

struct Field {
    int offset;
    FieldType type;
};

int fieldWidth(FieldType t) { return t == T ? 12 : t == I ? 4 : 8; }

struct Layout {
    int size = 0;
    std::vector<Field> fields;
};

const Layout& layoutOf(RecordKind kind) {
    static const Layout none{};
    static const Layout layouts[24] = {
        /* 0 */ {100, {{0, T}, {13, T}, {28, D}, {36, D}, {44, D}, {52, D}, {60, D}, {68, D}, {76, D}, {84, D}, {92, D}}},
        /* 1 */ {92, {{0, T}, {13, T}, {28, D}, {36, D}, {44, D}, {52, D}, {60, D}, {68, D}, {76, D}, {84, D}}},
        /* 2 */ {24, {{0, D}, {8, D}, {16, D}}},
        /* 3 */ {16, {{0, D}, {8, D}}},
        /* 4 */ {56, {{0, I}, {4, I}, {8, D}, {16, D}, {24, D}, {32, D}, {40, I}, {44, I}, {48, I}, {52, I}}},
        /* 5 */ {24, {{0, D}, {8, I}, {12, I}, {16, I}, {20, I}}},
        /* 6 */ {13, {{0, T}}},
        /* 7 */ {44, {{0, I}, {4, D}, {12, D}, {20, D}, {28, D}, {36, D}}},
        /* 8 */ {},
        /* 9 */ {24, {{0, D}, {8, I}, {12, I}, {16, D}}},
        /* 10 */ {24, {{0, D}, {8, I}, {12, I}, {16, D}}},
        /* 11 */ {52, {{0, T}, {13, T}, {28, D}, {36, D}, {44, D}}},
        /* 12 */ {60, {{0, I}, {4, D}, {12, D}, {20, D}, {28, D}, {36, D}, {44, D}, {52, D}}},
        /* 13 */ {60, {{0, T}, {16, I}, {20, D}, {28, D}, {36, D}, {44, D}, {52, D}}},
        /* 14 */ {32, {{0, T}, {16, D}, {24, D}}},
        /* 15 */ {44, {{0, T}, {16, I}, {20, D}, {28, D}, {36, D}}},
        /* 16 */ {36, {{0, T}, {16, D}, {24, D}, {32, I}}},
        /* 17 */ {48, {{0, T}, {16, D}, {24, D}, {32, D}, {40, D}}},
        /* 18 */ {32, {{0, T}, {16, D}, {24, D}}},
        /* 19 */ {32, {{0, D}, {8, D}, {16, D}, {24, D}}},
        /* 20 */ {32, {{0, D}, {8, D}, {16, D}, {24, D}}},
        /* 21 */ {32, {{0, D}, {8, D}, {16, D}, {24, D}}},
        /* 22 */ {12, {{0, D}, {8, I}}},
        /* 23 */ {16, {{0, D}, {8, I}, {12, I}}},
    };
    int k = static_cast<int>(kind);
    if (k < 0 || k >= 24) return none;
    return layouts[k];
}

// Little-endian image writer and reader at fixed offsets.
class ImageWriter {
public:
    explicit ImageWriter(RecordKind kind) : image_(static_cast<std::size_t>(imageSize(kind)), 0) {}
    // The text up to its first zero byte; the rest of the field stays zero.
    ImageWriter& text(int off, const Name12& t) {
        for (std::size_t i = 0; i < 12 && t.bytes[i] != '\0'; ++i)
            image_[static_cast<std::size_t>(off) + i] = static_cast<unsigned char>(t.bytes[i]);
        return *this;
    }
    ImageWriter& i32(int off, std::int32_t v) {
        auto u = static_cast<std::uint32_t>(v);
        for (int b = 0; b < 4; ++b) image_[static_cast<std::size_t>(off + b)] = static_cast<unsigned char>(u >> (8 * b));
        return *this;
    }
    ImageWriter& f64(int off, double v) {
        auto u = std::bit_cast<std::uint64_t>(v);
        for (int b = 0; b < 8; ++b) image_[static_cast<std::size_t>(off + b)] = static_cast<unsigned char>(u >> (8 * b));
        return *this;
    }
    RecordImage take() { return std::move(image_); }

private:
    RecordImage image_;
};

struct ImageReader {
    std::span<const unsigned char> image;
    Name12 text(int off) const { return fixedTextFromBytes<12>(image.subspan(static_cast<std::size_t>(off), 12)); }
    std::int32_t i32(int off) const {
        std::uint32_t u = 0;
        for (int b = 0; b < 4; ++b) u |= std::uint32_t{image[static_cast<std::size_t>(off + b)]} << (8 * b);
        return static_cast<std::int32_t>(u);
    }
    double f64(int off) const {
        std::uint64_t u = 0;
        for (int b = 0; b < 8; ++b) u |= std::uint64_t{image[static_cast<std::size_t>(off + b)]} << (8 * b);
        return std::bit_cast<double>(u);
    }
};

bool fits(std::span<const unsigned char> image, RecordKind kind) {
    return image.size() >= static_cast<std::size_t>(imageSize(kind));
}

}  // namespace

int imageSize(RecordKind kind) { return layoutOf(kind).size; }

unsigned char scrambleByte(int key) {
    // (5 * key + 123) mod 256, in 64 bits so that any int32 key is defined.
    long long h = (5LL * key + 123) % 256;
    if (h < 0) h += 256;
    return static_cast<unsigned char>(h);
}

void scramble(std::span<unsigned char> image, int key, RecordKind kind, int roadKey) {
    if (key < 0) key = roadKey;
    const bool xorBytes = key >= 62;
    const unsigned char h = scrambleByte(key);
    const bool textsFixedBelow62 =
        kind == RecordKind::IntersectionPoint || kind == RecordKind::AlignmentElement || kind == RecordKind::ControlPoint;
    for (const Field& f : layoutOf(kind).fields) {
        const int w = fieldWidth(f.type);
        if (static_cast<std::size_t>(f.offset + w) > image.size()) continue;
        if (f.type == T && textsFixedBelow62 && !xorBytes) continue;
        auto first = image.begin() + f.offset;
        std::reverse(first, first + w);
        if (xorBytes)
            for (int b = 0; b < w; ++b) first[b] ^= h;
    }
}

RecordImage makeImage(const IntersectionPoint& r) {
    return ImageWriter(RecordKind::IntersectionPoint)
        .text(0, r.name).text(13, r.label)
        .f64(28, r.x).f64(36, r.y).f64(44, r.computed).f64(52, r.station).f64(60, r.radius)
        .f64(68, r.spiralIn).f64(76, r.spiralOut).f64(84, r.startRadius).f64(92, r.endRadius)
        .take();
}
bool readImage(std::span<const unsigned char> image, IntersectionPoint& r) {
    if (!fits(image, RecordKind::IntersectionPoint)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.label = in.text(13);
    r.x = in.f64(28); r.y = in.f64(36); r.computed = in.f64(44); r.station = in.f64(52); r.radius = in.f64(60);
    r.spiralIn = in.f64(68); r.spiralOut = in.f64(76); r.startRadius = in.f64(84); r.endRadius = in.f64(92);
    return true;
}

RecordImage makeImage(const AlignmentElement& r) {
    return ImageWriter(RecordKind::AlignmentElement)
        .text(0, r.name).text(13, r.label)
        .f64(28, r.x).f64(36, r.y).f64(44, r.arrivalAzimuth).f64(52, r.startStation).f64(60, r.length)
        .f64(68, r.startAzimuth).f64(76, r.startRadius).f64(84, r.endRadius)
        .take();
}
bool readImage(std::span<const unsigned char> image, AlignmentElement& r) {
    if (!fits(image, RecordKind::AlignmentElement)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.label = in.text(13);
    r.x = in.f64(28); r.y = in.f64(36); r.arrivalAzimuth = in.f64(44); r.startStation = in.f64(52);
    r.length = in.f64(60); r.startAzimuth = in.f64(68); r.startRadius = in.f64(76); r.endRadius = in.f64(84);
    return true;
}

RecordImage makeImage(const GradePoint& r) {
    return ImageWriter(RecordKind::GradePoint).f64(0, r.station).f64(8, r.elevation).f64(16, r.verticalRadius).take();
}
bool readImage(std::span<const unsigned char> image, GradePoint& r) {
    if (!fits(image, RecordKind::GradePoint)) return false;
    ImageReader in{image};
    r.station = in.f64(0); r.elevation = in.f64(8); r.verticalRadius = in.f64(16);
    return true;
}

RecordImage makeImage(const ChainBreak& r) {
    return ImageWriter(RecordKind::ChainBreak).f64(0, r.startStation).f64(8, r.endStation).take();
}
bool readImage(std::span<const unsigned char> image, ChainBreak& r) {
    if (!fits(image, RecordKind::ChainBreak)) return false;
    ImageReader in{image};
    r.startStation = in.f64(0); r.endStation = in.f64(8);
    return true;
}

RecordImage makeImage(const CrossSectionPlate& r) {
    return ImageWriter(RecordKind::CrossSectionPlate)
        .i32(0, r.side).i32(4, r.plateType)
        .f64(8, r.width).f64(16, r.crossfall).f64(24, r.layerThickness).f64(32, r.curbHeight)
        .i32(40, r.firstWidthChange).i32(44, r.lastWidthChange)
        .i32(48, r.firstCrossfallChange).i32(52, r.lastCrossfallChange)
        .take();
}
bool readImage(std::span<const unsigned char> image, CrossSectionPlate& r) {
    if (!fits(image, RecordKind::CrossSectionPlate)) return false;
    ImageReader in{image};
    r.side = in.i32(0); r.plateType = in.i32(4);
    r.width = in.f64(8); r.crossfall = in.f64(16); r.layerThickness = in.f64(24); r.curbHeight = in.f64(32);
    r.firstWidthChange = in.i32(40); r.lastWidthChange = in.i32(44);
    r.firstCrossfallChange = in.i32(48); r.lastCrossfallChange = in.i32(52);
    return true;
}

RecordImage makeImage(const SlopeAssignment& r) {
    return ImageWriter(RecordKind::SlopeAssignment)
        .f64(0, r.station).i32(8, r.leftFill).i32(12, r.leftCut).i32(16, r.rightFill).i32(20, r.rightCut)
        .take();
}
bool readImage(std::span<const unsigned char> image, SlopeAssignment& r) {
    if (!fits(image, RecordKind::SlopeAssignment)) return false;
    ImageReader in{image};
    r.station = in.f64(0); r.leftFill = in.i32(8); r.leftCut = in.i32(12); r.rightFill = in.i32(16); r.rightCut = in.i32(20);
    return true;
}

RecordImage makeImage(const SlopeTemplate& r) { return ImageWriter(RecordKind::SlopeTemplate).text(0, r.name).take(); }
bool readImage(std::span<const unsigned char> image, SlopeTemplate& r) {
    if (image.size() < 12) return false;  // the terminator may be left out
    r.name = ImageReader{image}.text(0);
    return true;
}

RecordImage makeImage(const SlopeTemplateRow& r) {
    ImageWriter w(RecordKind::SlopeTemplateRow);
    w.i32(0, r.rowType);
    for (int i = 0; i < 5; ++i) w.f64(4 + 8 * i, r.values[static_cast<std::size_t>(i)]);
    return w.take();
}
bool readImage(std::span<const unsigned char> image, SlopeTemplateRow& r) {
    if (!fits(image, RecordKind::SlopeTemplateRow)) return false;
    ImageReader in{image};
    r.rowType = in.i32(0);
    for (int i = 0; i < 5; ++i) r.values[static_cast<std::size_t>(i)] = in.f64(4 + 8 * i);
    return true;
}

RecordImage makeImage(const PlateChange& r) {
    return ImageWriter(RecordKind::WidthChange)
        .f64(0, r.station).i32(8, r.plateIndex).i32(12, r.transition).f64(16, r.value)
        .take();
}
bool readImage(std::span<const unsigned char> image, PlateChange& r) {
    if (!fits(image, RecordKind::WidthChange)) return false;
    ImageReader in{image};
    r.station = in.f64(0); r.plateIndex = in.i32(8); r.transition = in.i32(12); r.value = in.f64(16);
    return true;
}

RecordImage makeImage(const ControlPoint& r) {
    return ImageWriter(RecordKind::ControlPoint)
        .text(0, r.name).text(13, r.note).f64(28, r.x).f64(36, r.y).f64(44, r.h)
        .take();
}
bool readImage(std::span<const unsigned char> image, ControlPoint& r) {
    if (!fits(image, RecordKind::ControlPoint)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.note = in.text(13); r.x = in.f64(28); r.y = in.f64(36); r.h = in.f64(44);
    return true;
}

RecordImage makeImage(const Structure& r) {
    return ImageWriter(RecordKind::Structure)
        .i32(0, r.kindAndMethod).f64(4, r.station).f64(12, r.angle).f64(20, r.leftLength).f64(28, r.rightLength)
        .f64(36, r.width).f64(44, r.centreElevation).f64(52, r.crossfall)
        .take();
}
bool readImage(std::span<const unsigned char> image, Structure& r) {
    if (!fits(image, RecordKind::Structure)) return false;
    ImageReader in{image};
    r.kindAndMethod = in.i32(0); r.station = in.f64(4); r.angle = in.f64(12); r.leftLength = in.f64(20);
    r.rightLength = in.f64(28); r.width = in.f64(36); r.centreElevation = in.f64(44); r.crossfall = in.f64(52);
    return true;
}

RecordImage makeImage(const Bridge& r) {
    return ImageWriter(RecordKind::Bridge)
        .text(0, r.name).i32(16, r.calcType).f64(20, r.startStation).f64(28, r.length)
        .f64(36, r.leftWidth).f64(44, r.rightWidth).f64(52, r.axisOffset)
        .take();
}
bool readImage(std::span<const unsigned char> image, Bridge& r) {
    if (!fits(image, RecordKind::Bridge)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.calcType = in.i32(16); r.startStation = in.f64(20); r.length = in.f64(28);
    r.leftWidth = in.f64(36); r.rightWidth = in.f64(44); r.axisOffset = in.f64(52);
    return true;
}

RecordImage makeImage(const Pier& r) {
    return ImageWriter(RecordKind::Pier).text(0, r.name).f64(16, r.station).f64(24, r.angle).take();
}
bool readImage(std::span<const unsigned char> image, Pier& r) {
    if (!fits(image, RecordKind::Pier)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.station = in.f64(16); r.angle = in.f64(24);
    return true;
}

RecordImage makeImage(const Pile& r) {
    return ImageWriter(RecordKind::Pile)
        .text(0, r.name).i32(16, r.coordMode).f64(20, r.along).f64(28, r.across).f64(36, r.elevation)
        .take();
}
bool readImage(std::span<const unsigned char> image, Pile& r) {
    if (!fits(image, RecordKind::Pile)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.coordMode = in.i32(16); r.along = in.f64(20); r.across = in.f64(28); r.elevation = in.f64(36);
    return true;
}

RecordImage makeImage(const Tunnel& r) {
    return ImageWriter(RecordKind::Tunnel)
        .text(0, r.name).f64(16, r.startStation).f64(24, r.length).i32(32, r.plateIndex)
        .take();
}
bool readImage(std::span<const unsigned char> image, Tunnel& r) {
    if (!fits(image, RecordKind::Tunnel)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.startStation = in.f64(16); r.length = in.f64(24); r.plateIndex = in.i32(32);
    return true;
}

RecordImage makeImage(const TunnelTemplate& r) {
    return ImageWriter(RecordKind::TunnelTemplate)
        .text(0, r.name).f64(16, r.designOffset).f64(24, r.excavationCrown).f64(32, r.primaryCrown)
        .f64(40, r.secondaryCrown)
        .take();
}
bool readImage(std::span<const unsigned char> image, TunnelTemplate& r) {
    if (!fits(image, RecordKind::TunnelTemplate)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.designOffset = in.f64(16); r.excavationCrown = in.f64(24);
    r.primaryCrown = in.f64(32); r.secondaryCrown = in.f64(40);
    return true;
}

RecordImage makeImage(const BlastHole& r) {
    return ImageWriter(RecordKind::BlastHole).text(0, r.name).f64(16, r.heightDifference).f64(24, r.offset).take();
}
bool readImage(std::span<const unsigned char> image, BlastHole& r) {
    if (!fits(image, RecordKind::BlastHole)) return false;
    ImageReader in{image};
    r.name = in.text(0); r.heightDifference = in.f64(16); r.offset = in.f64(24);
    return true;
}

RecordImage makeImage(const ContourElement& r) {
    return ImageWriter(RecordKind::ExcavationContour)
        .f64(0, r.heightDifference).f64(8, r.horizontalDistance).f64(16, r.radius).f64(24, r.centralAngle)
        .take();
}
bool readImage(std::span<const unsigned char> image, ContourElement& r) {
    if (!fits(image, RecordKind::ExcavationContour)) return false;
    ImageReader in{image};
    r.heightDifference = in.f64(0); r.horizontalDistance = in.f64(8); r.radius = in.f64(16); r.centralAngle = in.f64(24);
    return true;
}

RecordImage makeImage(const TunnelSlopeRule& r) {
    return ImageWriter(RecordKind::TunnelSlopeRule).f64(0, r.gradient).i32(8, r.templateIndex).take();
}
bool readImage(std::span<const unsigned char> image, TunnelSlopeRule& r) {
    if (!fits(image, RecordKind::TunnelSlopeRule)) return false;
    ImageReader in{image};
    r.gradient = in.f64(0); r.templateIndex = in.i32(8);
    return true;
}

RecordImage makeImage(const TunnelStationRule& r) {
    return ImageWriter(RecordKind::TunnelStationRule)
        .f64(0, r.station).i32(8, r.changeForm).i32(12, r.templateIndex)
        .take();
}
bool readImage(std::span<const unsigned char> image, TunnelStationRule& r) {
    if (!fits(image, RecordKind::TunnelStationRule)) return false;
    ImageReader in{image};
    r.station = in.f64(0); r.changeForm = in.i32(8); r.templateIndex = in.i32(12);
    return true;
}

}  // namespace vornex
