// The survey files' codec: reading a leveling (*.lev) or control-survey (*.con)
// file into a SurveyNetwork, rewriting its parameter header in place, and the
// whole-file images of our own writers. The layout is described in
// survey_network.h.
#include "adjust/survey_network.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>

#include "adjust/survey_values.h"
#include "adjust/tolerances.h"
#include "io/read.h"
#include "io/write.h"
#include "model/scramble.h"
#include "text/text.h"

namespace vornex {
namespace {

using Bytes = std::uint8_t;

constexpr std::size_t kControlPointSize = 52;
constexpr std::size_t kAzimuthSize = 36;
constexpr std::size_t kSectionSize = 32;
constexpr std::size_t kStationRecordSize = 32;
constexpr std::size_t kControlStationSize = 20;
constexpr std::size_t kObservationSize = 72;
constexpr std::size_t kControlHeaderSize = 80;
constexpr std::uint32_t kMarker = 0x7E7E7E7Eu;  // "~~~~"

// Shown when a list cannot grow while a file is read.
constexpr const char* kCannotAddKnownPoint = "不能增加已知点 ";
constexpr const char* kCannotAddSection = "不能增加测段 ";
constexpr const char* kCannotAddStation = "不能增加测站 ";

// One field of a record image: reversed, and XORed with the mask (its own inverse).
void codeField(Bytes* p, std::size_t width, std::uint8_t mask) {
    std::reverse(p, p + width);
    if (mask != 0) {
        for (std::size_t i = 0; i < width; ++i) p[i] ^= mask;
    }
}

// Plain little-endian values out of and into decoded images.
std::int32_t getI32(const Bytes* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];  // decoded fields are little-endian
    return static_cast<std::int32_t>(v);
}
void putI32(Bytes* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<Bytes>(v >> (8 * i));
}
double getF64(const Bytes* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}
void putF64(Bytes* p, double d) {
    std::uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<Bytes>(v >> (8 * i));
}
// A decoded 12-byte name; any bytes after a zero byte are dropped (zero fill).
Name12 getName(const Bytes* p) {
    Name12 n;
    std::size_t len = 0;
    while (len < 12 && p[len] != 0) ++len;
    std::memcpy(n.bytes.data(), p, len);
    return n;
}
void putName(Bytes* p, const Name12& n) { std::memcpy(p, n.bytes.data(), 12); }

// Field layouts (offset, width) of the survey records.
struct Field {
    std::size_t offset;
    std::size_t width;
};
constexpr Field kAzimuthFields[] = {{0, 12}, {13, 12}, {28, 8}};
constexpr Field kSectionFields[] = {{0, 12}, {12, 12}, {24, 4}, {28, 4}};
constexpr Field kStationFields[] = {{0, 4}, {4, 4}, {8, 4}, {12, 4}, {16, 4}, {20, 4}, {24, 4}, {28, 4}};
constexpr Field kControlStationFields[] = {{0, 12}, {12, 8}};
constexpr Field kObservationFields[] = {{0, 12}, {16, 8}, {24, 8}, {32, 8}, {40, 8}, {48, 8}, {56, 8}, {64, 8}};

template <std::size_t N>
void codeRecord(Bytes* image, const Field (&fields)[N], std::uint8_t mask) {
    for (const Field& f : fields) codeField(image + f.offset, f.width, mask);
}

// The key handed to the record scrambler: one with the same XOR byte (which
// depends on key mod 256 only) and the same key >= 62 rule, kept small so that
// the absurd keys of a foreign file stay absurd and nothing more.
int recordKey(std::int32_t key) {
    if (key < 62) return 0;
    return 256 + static_cast<int>(key % 256);
}

// Known points are control-point records (kind 11) in their stored form.
ControlPoint controlPointFromFile(const Bytes* stored, std::int32_t key) {
    RecordImage img(stored, stored + kControlPointSize);
    scramble(img, recordKey(key), RecordKind::ControlPoint);
    ControlPoint cp;
    readImage(img, cp);
    return cp;
}

void controlPointToFile(const ControlPoint& cp, std::int32_t key, Bytes* out) {
    RecordImage img = makeImage(cp);
    img.resize(kControlPointSize, 0);
    scramble(img, recordKey(key), RecordKind::ControlPoint);
    std::memcpy(out, img.data(), kControlPointSize);
}

// Sequential reader of a file that reports how many bytes it got. Only regular
// files within the survey-file limit are opened (a device or pipe could be endless).
// The records are a few dozen bytes each: they are served from a buffer, so a
// network of 100,000 sections takes a few hundred reads, not a million.
class FileReader {
public:
    explicit FileReader(const std::filesystem::path& path) { in_.open(path, io::kSurveyFileLimit); }
    bool ok() const { return in_.isOpen() && !in_.failed(); }
    std::size_t read(Bytes* buf, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            if (next_ == filled_) {
                next_ = 0;
                filled_ = in_.read(buffer_.data(), buffer_.size());
                if (filled_ == 0) break;
            }
            const std::size_t take = std::min(n - done, filled_ - next_);
            std::memcpy(buf + done, buffer_.data() + next_, take);
            next_ += take;
            done += take;
        }
        return done;
    }

private:
    io::InputFile in_;
    std::array<Bytes, 64 * 1024> buffer_{};
    std::size_t next_ = 0, filled_ = 0;
};

// Tells why a survey file cannot be read at all ("P is a directory", ...).
bool openable(const std::filesystem::path& path, Prompter& prompter) {
    io::InputFile probe;
    if (probe.open(path, io::kSurveyFileLimit)) return true;
    prompter.message(probe.error().message);
    return false;
}

std::string firstBytesOfName(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    if (name.size() <= 12) return name;
    // Cut on a character boundary (UTF-8 file names).
    std::size_t n = 12;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    return name.substr(0, n);
}

// Reads the key and the ten known-point slots common to both file kinds.
bool readHead(FileReader& in, SurveyNetwork& net) {
    Bytes k[4];
    if (in.read(k, 4) != 4) return false;
    std::int32_t key = static_cast<std::int32_t>((std::uint32_t{k[0]} << 24) | (std::uint32_t{k[1]} << 16) |
                                                 (std::uint32_t{k[2]} << 8) | std::uint32_t{k[3]});
    if (key == 0 || key == -1) return false;
    net.key = key;
    for (int slot = 0; slot < kMaxKnownPoints; ++slot) {
        Bytes img[kControlPointSize];
        if (in.read(img, sizeof img) != sizeof img) return false;
        if (img[12] == 0xFF || img[0] == 0) continue;  // empty slot
        net.knownPoints.push_back(controlPointFromFile(img, key));
    }
    return true;
}

// A file whose values the adjustment cannot use is refused with the message.
bool refused(const std::string& badValue, Prompter& prompter) {
    if (badValue.empty()) return false;
    prompter.message(badValue);
    return true;
}

enum class Next { Record, End, Error };

// Reads a record that may start with four look-ahead bytes already taken from
// the file (still in their stored form, so the record decodes like any other).
// Fewer than 8 bytes, or stored byte 4 being 0xFF, is the normal end of data;
// a record cut short after that is an error.
Next readListRecord(FileReader& in, Bytes* image, std::size_t size, const Bytes* carried, bool haveCarried) {
    std::size_t got = 0;
    if (haveCarried) {
        std::memcpy(image, carried, 4);
        got = 4;
    }
    got += in.read(image + got, size - got);
    if (got < 8) return Next::End;
    if (image[4] == 0xFF) return Next::End;
    return got == size ? Next::Record : Next::Error;
}

enum class Marker { Station, Other, End };

// After a record: four bytes that are either the station marker or the start of
// the next list record (returned in `carried`, untouched).
Marker readMarker(FileReader& in, std::uint8_t mask, Bytes* carried) {
    if (in.read(carried, 4) != 4) return Marker::End;
    Bytes m[4];
    std::memcpy(m, carried, 4);
    codeField(m, 4, mask);
    std::uint32_t v = getI32(m);
    return v == kMarker ? Marker::Station : Marker::Other;
}

// Writes `data` at `offset` of the survey file that was read with `key`. On
// failure `why` tells the user what went wrong; the file is then unchanged
// unless the write itself failed part-way.
bool writeAt(const std::filesystem::path& path, std::int32_t key, std::int64_t offset, const Bytes* data,
             std::size_t size, std::string* why) {
    auto fail = [&](std::string reason) {
        if (why) *why = std::move(reason);
        return false;
    };
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return fail("文件已不存在");
    if (!std::filesystem::is_regular_file(path, ec)) return fail("不是普通文件");
    auto fileSize = std::filesystem::file_size(path, ec);
    if (ec || fileSize < static_cast<std::uintmax_t>(offset) + size) return fail("文件已被改动");
    errno = 0;
    std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
    if (!f.is_open()) {
        const int e = errno;
        if (e == EACCES || e == EPERM || e == EROFS) return fail("文件只读，或没有写入权限");
        return fail(e != 0 ? std::string("不能打开文件：") + std::strerror(e) : std::string("不能打开文件"));
    }
    // The file must still be the one that was read: same key.
    Bytes k[4];
    f.read(reinterpret_cast<char*>(k), 4);
    if (f.gcount() != 4) return fail("文件已被改动");
    std::int32_t stored = static_cast<std::int32_t>((std::uint32_t{k[0]} << 24) | (std::uint32_t{k[1]} << 16) |
                                                    (std::uint32_t{k[2]} << 8) | std::uint32_t{k[3]});
    if (stored != key) return fail("文件已被改动");
    errno = 0;
    f.seekp(offset);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    f.flush();
    if (!f.good()) {
        const int e = errno;
        return fail(e != 0 ? std::string("写入失败：") + std::strerror(e) : std::string("写入失败"));
    }
    return true;
}

std::size_t levelingHeaderSize(std::int32_t key) { return key > 81 ? 20 : 12; }

void encodeLevelingHeader(const LevelingHeader& h, std::int32_t key, Bytes* out) {
    std::uint8_t mask = surveyXorMask(key);
    putI32(out, h.levelClass);
    putI32(out + 4, h.instrument);
    putI32(out + 8, h.weighting);
    for (std::size_t off : {0, 4, 8}) codeField(out + off, 4, mask);
    if (key > 81) {
        putF64(out + 12, h.closureCoefficient);
        codeField(out + 12, 8, mask);
    }
}

void decodeLevelingHeader(Bytes* in, std::int32_t key, LevelingHeader& h) {
    std::uint8_t mask = surveyXorMask(key);
    for (std::size_t off : {0, 4, 8}) codeField(in + off, 4, mask);
    h.levelClass = getI32(in);
    h.instrument = getI32(in + 4);
    h.weighting = getI32(in + 8);
    if (key > 81) {
        codeField(in + 12, 8, mask);
        h.closureCoefficient = getF64(in + 12);
    }
}

double* controlHeaderDoubles(ControlHeader& h, int i) {
    double* fields[] = {&h.angleSigma,
                        &h.distanceFixedError,
                        &h.distancePpm,
                        &h.azimuthSigma,
                        &h.reservedFactor,
                        &h.azimuthClosureCoefficient,
                        &h.traverseClosureCoefficient,
                        &h.triangleClosureLimit,
                        &h.heightClosureCoefficient};
    return fields[i];
}

void encodeControlHeader(ControlHeader h, std::int32_t key, Bytes* out) {
    std::uint8_t mask = surveyXorMask(key);
    putI32(out, h.reserved);
    putI32(out + 4, h.observationType);
    codeField(out, 4, mask);
    codeField(out + 4, 4, mask);
    for (int i = 0; i < 9; ++i) {
        putF64(out + 8 + 8 * i, *controlHeaderDoubles(h, i));
        codeField(out + 8 + 8 * i, 8, mask);
    }
}

void decodeControlHeader(Bytes* in, std::int32_t key, ControlHeader& h) {
    std::uint8_t mask = surveyXorMask(key);
    codeField(in, 4, mask);
    codeField(in + 4, 4, mask);
    h.reserved = getI32(in);
    h.observationType = getI32(in + 4);
    for (int i = 0; i < 9; ++i) {
        codeField(in + 8 + 8 * i, 8, mask);
        *controlHeaderDoubles(h, i) = getF64(in + 8 + 8 * i);
    }
}

void appendKey(std::string& out, std::int32_t key) {
    auto v = static_cast<std::uint32_t>(key);
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(v >> s));
}

void appendBytes(std::string& out, const Bytes* p, std::size_t n) {
    out.append(reinterpret_cast<const char*>(p), n);
}

void appendHead(std::string& out, const SurveyNetwork& net) {
    appendKey(out, net.key);
    for (int slot = 0; slot < kMaxKnownPoints; ++slot) {
        Bytes img[kControlPointSize] = {};
        // An empty slot is all zero (its stored byte 0 is 0).
        if (slot < static_cast<int>(net.knownPoints.size())) {
            controlPointToFile(net.knownPoints[static_cast<std::size_t>(slot)], net.key, img);
        }
        appendBytes(out, img, sizeof img);
    }
}

void appendMarker(std::string& out, std::uint8_t mask) {
    Bytes m[4];
    putI32(m, static_cast<std::int32_t>(kMarker));
    codeField(m, 4, mask);
    appendBytes(out, m, 4);
}

}  // namespace

std::uint8_t surveyXorMask(std::int32_t key) {
    if (key < 62) return 0;
    return static_cast<std::uint8_t>((static_cast<std::int64_t>(key) * 5 + 123) % 256);
}

namespace {

// Reads into a fresh network and takes it only when the whole file was read and
// holds finite values: a failed open leaves `network` as it was. `read` fills
// the fresh network and names, in `growing`, the list it is adding to.
template <class Read>
bool openWhole(SurveyNetwork& network, const std::filesystem::path& path, Prompter& prompter,
               std::string (*nonFinite)(const SurveyNetwork&), Read read) {
    SurveyNetwork fresh;
    const char* growing = kCannotAddKnownPoint;
    if (!openable(path, prompter)) return false;
    try {
        if (!read(fresh, growing)) return false;
        if (refused(nonFinite(fresh), prompter)) return false;
    } catch (const std::bad_alloc&) {
        prompter.message(growing);
        return false;
    }
    network = std::move(fresh);
    return true;
}

}  // namespace

bool SurveyNetwork::openLevelingFile(const std::filesystem::path& path, Prompter& prompter) {
    return openWhole(*this, path, prompter, nonFiniteLevelingValue,
                     [&](SurveyNetwork& fresh, const char*& growing) { return fresh.readLeveling(path, growing); });
}

bool SurveyNetwork::readLeveling(const std::filesystem::path& path, const char*& growing) {
    reset();
    FileReader in(path);
    if (!in.ok()) return false;
    fileName = firstBytesOfName(path);
    filePath = path;
    if (!readHead(in, *this)) return false;

    Bytes header[20];
    std::size_t hsize = levelingHeaderSize(key);
    if (in.read(header, hsize) != hsize) return false;
    decodeLevelingHeader(header, key, leveling);
    // A file without the coefficient (key <= 81) is checked with its order's.
    if (key <= 81) leveling.closureCoefficient = defaultClosureCoefficient(leveling.levelClass, leveling.weighting);

    const std::uint8_t mask = surveyXorMask(key);
    Bytes carried[4];
    bool haveCarried = false;
    for (;;) {
        Bytes img[kSectionSize];
        Next next = readListRecord(in, img, sizeof img, carried, haveCarried);
        if (next == Next::End) break;
        if (next == Next::Error) return false;
        codeRecord(img, kSectionFields, mask);
        growing = kCannotAddSection;
        LevelingSection s;
        s.startName = getName(img);
        s.endName = getName(img + 12);
        auto word = static_cast<std::uint32_t>(getI32(img + 24));
        s.staffSelector = static_cast<std::uint16_t>(word & 0xFFFF);
        s.excluded = static_cast<std::uint16_t>(word >> 16);
        s.date = getI32(img + 28);
        sections.push_back(std::move(s));
        LevelingSection& current = sections.back();

        haveCarried = false;
        for (;;) {
            Marker m = readMarker(in, mask, carried);
            if (m == Marker::End) {
                loaded_ = SurveyFileKind::Leveling;
                return true;
            }
            if (m == Marker::Other) {
                haveCarried = true;
                break;
            }
            growing = kCannotAddStation;
            Bytes st[kStationRecordSize];
            if (in.read(st, sizeof st) != sizeof st) return false;
            codeRecord(st, kStationFields, mask);
            LevelingStation station;
            for (int r = 0; r < 8; ++r) station.readings[static_cast<std::size_t>(r)] = getI32(st + 4 * r);
            current.stations.push_back(station);
        }
    }
    loaded_ = SurveyFileKind::Leveling;
    return true;
}

bool SurveyNetwork::openControlFile(const std::filesystem::path& path, Prompter& prompter) {
    return openWhole(*this, path, prompter, nonFiniteControlValue,
                     [&](SurveyNetwork& fresh, const char*& growing) { return fresh.readControl(path, growing); });
}

bool SurveyNetwork::readControl(const std::filesystem::path& path, const char*& growing) {
    reset();
    FileReader in(path);
    if (!in.ok()) return false;
    fileName = firstBytesOfName(path);
    filePath = path;
    if (!readHead(in, *this)) return false;

    const std::uint8_t mask = surveyXorMask(key);
    for (int slot = 0; slot < kMaxKnownAzimuths; ++slot) {
        Bytes img[kAzimuthSize];
        if (in.read(img, sizeof img) != sizeof img) return false;
        if (img[25] == 0xFF) continue;
        codeRecord(img, kAzimuthFields, mask);
        KnownAzimuth a;
        a.fromName = getName(img);
        a.toName = getName(img + 13);
        a.azimuth = getF64(img + 28);
        knownAzimuths.push_back(a);
    }

    Bytes header[kControlHeaderSize];
    if (in.read(header, sizeof header) != sizeof header) return false;
    decodeControlHeader(header, key, control);

    Bytes carried[4];
    bool haveCarried = false;
    for (;;) {
        Bytes img[kControlStationSize];
        Next next = readListRecord(in, img, sizeof img, carried, haveCarried);
        if (next == Next::End) break;
        if (next == Next::Error) return false;
        codeRecord(img, kControlStationFields, mask);
        growing = kCannotAddSection;
        SurveyStation s;
        s.name = getName(img);
        s.instrumentHeight = getF64(img + 12);
        stations.push_back(std::move(s));
        SurveyStation& current = stations.back();

        haveCarried = false;
        for (;;) {
            Marker m = readMarker(in, mask, carried);
            if (m == Marker::End) {
                loaded_ = SurveyFileKind::Control;
                return true;
            }
            if (m == Marker::Other) {
                haveCarried = true;
                break;
            }
            growing = kCannotAddStation;
            Bytes ob[kObservationSize];
            if (in.read(ob, sizeof ob) != sizeof ob) return false;
            codeRecord(ob, kObservationFields, mask);
            SurveyObservation o;
            o.targetName = getName(ob);
            o.direction = getF64(ob + 16);
            o.distance = getF64(ob + 24);
            o.verticalOrHeight = getF64(ob + 32);
            o.targetHeight = getF64(ob + 40);
            for (int t = 0; t < 3; ++t) o.trailing[static_cast<std::size_t>(t)] = getF64(ob + 48 + 8 * t);
            current.observations.push_back(o);
        }
    }
    loaded_ = SurveyFileKind::Control;
    return true;
}

bool SurveyNetwork::rewriteLevelingHeader(std::string* why) const {
    if (loaded_ != SurveyFileKind::Leveling) {
        if (why) *why = "没有打开水准数据文件";
        return false;
    }
    Bytes out[20];
    encodeLevelingHeader(leveling, key, out);
    return writeAt(filePath, key, kLevelingHeaderOffset, out, levelingHeaderSize(key), why);
}

bool SurveyNetwork::rewriteControlHeader(std::string* why) const {
    if (loaded_ != SurveyFileKind::Control) {
        if (why) *why = "没有打开控制测量数据文件";
        return false;
    }
    Bytes out[kControlHeaderSize];
    encodeControlHeader(control, key, out);
    return writeAt(filePath, key, kControlHeaderOffset, out, sizeof out, why);
}

std::string levelingFileBytes(const SurveyNetwork& net) {
    std::string out;
    appendHead(out, net);
    Bytes header[20];
    encodeLevelingHeader(net.leveling, net.key, header);
    appendBytes(out, header, levelingHeaderSize(net.key));
    const std::uint8_t mask = surveyXorMask(net.key);
    for (const LevelingSection& s : net.sections) {
        Bytes img[kSectionSize] = {};
        putName(img, s.startName);
        putName(img + 12, s.endName);
        putI32(img + 24, static_cast<std::int32_t>((std::uint32_t{s.excluded} << 16) | s.staffSelector));
        putI32(img + 28, s.date);
        codeRecord(img, kSectionFields, mask);
        appendBytes(out, img, sizeof img);
        for (const LevelingStation& st : s.stations) {
            appendMarker(out, mask);
            Bytes rec[kStationRecordSize];
            for (int r = 0; r < 8; ++r) putI32(rec + 4 * r, st.readings[static_cast<std::size_t>(r)]);
            codeRecord(rec, kStationFields, mask);
            appendBytes(out, rec, sizeof rec);
        }
    }
    return out;
}

std::string controlFileBytes(const SurveyNetwork& net) {
    std::string out;
    appendHead(out, net);
    const std::uint8_t mask = surveyXorMask(net.key);
    for (int slot = 0; slot < kMaxKnownAzimuths; ++slot) {
        Bytes img[kAzimuthSize] = {};
        if (slot < static_cast<int>(net.knownAzimuths.size())) {
            const KnownAzimuth& a = net.knownAzimuths[static_cast<std::size_t>(slot)];
            putName(img, a.fromName);
            putName(img + 13, a.toName);
            putF64(img + 28, a.azimuth);
            codeRecord(img, kAzimuthFields, mask);
        } else {
            img[25] = 0xFF;  // empty slot
        }
        appendBytes(out, img, sizeof img);
    }
    Bytes header[kControlHeaderSize];
    encodeControlHeader(net.control, net.key, header);
    appendBytes(out, header, sizeof header);
    for (const SurveyStation& s : net.stations) {
        Bytes img[kControlStationSize] = {};
        putName(img, s.name);
        putF64(img + 12, s.instrumentHeight);
        codeRecord(img, kControlStationFields, mask);
        appendBytes(out, img, sizeof img);
        for (const SurveyObservation& o : s.observations) {
            appendMarker(out, mask);
            Bytes rec[kObservationSize] = {};
            putName(rec, o.targetName);
            putF64(rec + 16, o.direction);
            putF64(rec + 24, o.distance);
            putF64(rec + 32, o.verticalOrHeight);
            putF64(rec + 40, o.targetHeight);
            for (int t = 0; t < 3; ++t) putF64(rec + 48 + 8 * t, o.trailing[static_cast<std::size_t>(t)]);
            codeRecord(rec, kObservationFields, mask);
            appendBytes(out, rec, sizeof rec);
        }
    }
    return out;
}

bool writeSurveyFile(const std::filesystem::path& path, const std::string& bytes) {
    io::FileError error;
    return io::writeFile(path, bytes, error);
}

}  // namespace vornex
