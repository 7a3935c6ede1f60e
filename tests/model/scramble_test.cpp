#include "model/scramble.h"

#include <gtest/gtest.h>

#include <random>

namespace vornex {
namespace {

using Bytes = std::vector<unsigned char>;

std::vector<RecordKind> allKinds() {
    std::vector<RecordKind> kinds;
    for (int k = 0; k <= 23; ++k) kinds.push_back(static_cast<RecordKind>(k));
    return kinds;
}

TEST(Scramble, ImageSizes) {
    const std::pair<int, int> sizes[] = {{0, 100}, {1, 92},  {2, 24},  {3, 16},  {4, 56},  {5, 24},
                                         {6, 13},  {7, 44},  {8, 0},   {9, 24},  {10, 24}, {11, 52},
                                         {12, 60}, {13, 60}, {14, 32}, {15, 44}, {16, 36}, {17, 48},
                                         {18, 32}, {19, 32}, {20, 32}, {21, 32}, {22, 12}, {23, 16}};
    for (auto [kind, size] : sizes) EXPECT_EQ(imageSize(static_cast<RecordKind>(kind)), size) << kind;
}

TEST(Scramble, XorByteOfKeys) {
    EXPECT_EQ(scrambleByte(61), 0xAC);
    EXPECT_EQ(scrambleByte(62), 0xB1);
    EXPECT_EQ(scrambleByte(83), 0x1A);
    // Hostile keys from damaged files: defined for every int32.
    EXPECT_EQ(scrambleByte(-1004931517), 0xCA);
    EXPECT_EQ(scrambleByte(2147483647), 0x76);
}

TEST(Scramble, TwiceIsIdentityForEveryKindAndKey) {
    std::mt19937 rng(7);
    for (int key : {10, 61, 62, 83}) {
        for (RecordKind kind : allKinds()) {
            Bytes image(static_cast<std::size_t>(imageSize(kind)) + 3);
            for (auto& b : image) b = static_cast<unsigned char>(rng());
            Bytes once = image;
            scramble(once, key, kind);
            Bytes twice = once;
            scramble(twice, key, kind);
            EXPECT_EQ(twice, image) << "key " << key << " kind " << static_cast<int>(kind);
            if (imageSize(kind) > 0) {
                EXPECT_NE(once, image) << "kind " << static_cast<int>(kind);
            }
        }
    }
}

TEST(Scramble, KnownStoredForms) {
    CrossSectionPlate plate;
    plate.side = 1;
    Bytes img = makeImage(plate);
    scramble(img, 83, RecordKind::CrossSectionPlate);
    EXPECT_EQ(Bytes(img.begin(), img.begin() + 4), (Bytes{0x1A, 0x1A, 0x1A, 0x1B}));
    // -1 links: all bytes FF xor 1A.
    EXPECT_EQ(Bytes(img.begin() + 40, img.begin() + 44), (Bytes{0xE5, 0xE5, 0xE5, 0xE5}));

    Bridge bridge;
    bridge.name = Name12("K1");
    img = makeImage(bridge);
    img[12] = 0x77;  // terminator and filler are never touched
    img[15] = 0x66;
    scramble(img, 83, RecordKind::Bridge);
    Bytes name(10, 0x1A);
    name.push_back(0x2B);
    name.push_back(0x51);
    EXPECT_EQ(Bytes(img.begin(), img.begin() + 12), name);
    EXPECT_EQ(img[12], 0x77);
    EXPECT_EQ(img[15], 0x66);

    // 0.0001 = 3F 1A 36 E2 EB 1C 43 2D, big-endian then xor 1A.
    GradePoint g;
    g.station = 0.0001;
    img = makeImage(g);
    scramble(img, 83, RecordKind::GradePoint);
    EXPECT_EQ(Bytes(img.begin(), img.begin() + 8), (Bytes{0x25, 0x00, 0x2C, 0xF8, 0xF1, 0x06, 0x59, 0x37}));
}

TEST(Scramble, OldKeysLeaveTextsOfPointsAlone) {
    IntersectionPoint p;
    p.name = Name12("JD1");
    p.label = Name12("LBL");
    p.x = 1.0;  // 3F F0 00 .. 00
    Bytes plain = makeImage(p);
    Bytes img = plain;
    scramble(img, 50, RecordKind::IntersectionPoint);
    EXPECT_EQ(Bytes(img.begin(), img.begin() + 28), Bytes(plain.begin(), plain.begin() + 28));
    EXPECT_EQ(Bytes(img.begin() + 28, img.begin() + 36), (Bytes{0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));

    // Key 61 reverses without XOR; texts of a point still untouched.
    img = plain;
    scramble(img, 61, RecordKind::IntersectionPoint);
    EXPECT_EQ(img[0], 'J');
    EXPECT_EQ(img[28], 0x3F);

    Bridge b;
    b.name = Name12("AB");
    img = makeImage(b);
    scramble(img, 50, RecordKind::Bridge);
    EXPECT_EQ(img[11], 'A');
    EXPECT_EQ(img[10], 'B');
    EXPECT_EQ(img[0], 0);

    // Control points follow the point rule, kind 8 nothing at all.
    ControlPoint c;
    c.name = Name12("CP");
    img = makeImage(c);
    scramble(img, 10, RecordKind::ControlPoint);
    EXPECT_EQ(img[0], 'C');
    Bytes eight{1, 2, 3};
    scramble(eight, 83, static_cast<RecordKind>(8));
    EXPECT_EQ(eight, (Bytes{1, 2, 3}));
}

TEST(Scramble, NegativeKeyIsRoadKey) {
    GradePoint g{12.5, -3.25, 1000};
    Bytes a = makeImage(g), b = makeImage(g);
    scramble(a, -1, RecordKind::GradePoint, 62);
    scramble(b, 62, RecordKind::GradePoint);
    EXPECT_EQ(a, b);
}

TEST(Scramble, ShortImageIsNotOverrun) {
    Bytes img(10, 0x11);
    scramble(img, 83, RecordKind::IntersectionPoint);  // its first text needs 12 bytes
    EXPECT_EQ(img, Bytes(10, 0x11));
}

template <class T>
void expectImageRoundTrip(const T& r) {
    T back{};
    ASSERT_TRUE(readImage(makeImage(r), back));
    if constexpr (requires { back.name; }) {
        EXPECT_EQ(back.name, r.name);
    }
    // Child lists are not part of an image: compare a copy without them.
    T plain = r;
    if constexpr (requires { plain.piers; }) plain.piers.clear();
    if constexpr (requires { plain.piles; }) plain.piles.clear();
    if constexpr (requires { plain.rows; }) plain.rows.clear();
    if constexpr (requires { plain.blastHoles; }) {
        plain.blastHoles.clear();
        plain.slopeRules.clear();
        plain.stationRules.clear();
    }
    if constexpr (requires { plain.excavation; }) {
        plain.excavation.clear();
        plain.primary.clear();
        plain.secondary.clear();
    }
    EXPECT_EQ(back, plain);
}

TEST(Scramble, ImagesCarryEveryField) {
    expectImageRoundTrip(IntersectionPoint{Name12("JD1"), Name12("x"), 1, 2, 3, 4, 5, 6, 7, 8, 9});
    expectImageRoundTrip(AlignmentElement{Name12("ZH"), Name12("y"), 1, 2, 3, 4, 5, 6, 7, 8});
    expectImageRoundTrip(GradePoint{1, 2, 3});
    expectImageRoundTrip(ChainBreak{1, 2});
    expectImageRoundTrip(CrossSectionPlate{2, 7, 1, 2, 3, 4, 5, 6, 7, 8});
    expectImageRoundTrip(SlopeAssignment{1.5, 1, 2, 3, 4});
    expectImageRoundTrip(SlopeTemplate{Name12("T"), {SlopeTemplateRow{}}});
    expectImageRoundTrip(SlopeTemplateRow{5, {1, 2, 3, 4, 5}});
    expectImageRoundTrip(PlateChange{10, 2, 3, 4.5});
    expectImageRoundTrip(ControlPoint{Name12("A"), Name12("n"), 1, 2, 3});
    expectImageRoundTrip(Structure{0x10002, 1, 2, 3, 4, 5, 6, 7});
    expectImageRoundTrip(Bridge{Name12("B"), 1, 2, 3, 4, 5, 6, {Pier{}}});
    expectImageRoundTrip(Pier{Name12("P"), 1, 2, {Pile{}}});
    expectImageRoundTrip(Pile{Name12("Z"), 1, 2, 3, 4});
    expectImageRoundTrip(Tunnel{Name12("T"), 1, 2, 3, {}, {}, {BlastHole{}}});
    expectImageRoundTrip(TunnelTemplate{Name12("S"), 1, 2, 3, 4, {ContourElement{}}, {}, {}});
    expectImageRoundTrip(BlastHole{Name12("H"), 1, 2});
    expectImageRoundTrip(ContourElement{1, 2, -3, kNoValue});
    expectImageRoundTrip(TunnelSlopeRule{1.5, 2});
    expectImageRoundTrip(TunnelStationRule{1.5, 2, 3});
}

TEST(Scramble, ReadTextStopsAtFirstZero) {
    Bytes img = makeImage(Pile{});
    const char raw[] = {'A', 'B', 0, 'X', 'Y'};
    std::copy(raw, raw + 5, img.begin());
    Pile p;
    ASSERT_TRUE(readImage(img, p));
    EXPECT_EQ(p.name, Name12("AB"));
    EXPECT_FALSE(readImage(Bytes(43), p));
}

}  // namespace
}  // namespace vornex
