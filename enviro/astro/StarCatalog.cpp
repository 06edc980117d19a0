// Star catalogue text reader, binary cache writer and loader, and spectral-type colours.
#include "enviro/astro/StarCatalog.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <istream>
#include <limits>

#include "enviro/astro/Cie1931.h"
#include "enviro/astro/EphemerisMath.h"

namespace Astro {

namespace {

constexpr double kPmRaScale = 15.0 / 3600.0;  // seconds of time -> degrees

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A cursor over one catalogue line that performs the extraction steps of the format: fixed
// skips, raw reads of a given width, and numbers that skip leading blanks and take an optional
// sign, as formatted stream extraction does. Any failed step leaves the cursor failed.
class LineCursor {
public:
    LineCursor(const char* begin, const char* end) : m_pPos(begin), m_pEnd(end) {}

    bool ok() const { return m_bOk; }

    void skip(int count) {
        long left = m_pEnd - m_pPos;
        m_pPos += count < left ? count : left;
    }

    void raw(char* out, int count) {
        if (!m_bOk || m_pEnd - m_pPos < count) {
            m_bOk = false;
            return;
        }
        std::memcpy(out, m_pPos, static_cast<size_t>(count));
        m_pPos += count;
    }

    int integer() {
        int value = 0;
        const char* start = numberStart();
        if (!start) return 0;
        auto result = std::from_chars(start, m_pEnd, value);
        return finish(result.ec, result.ptr) ? value : 0;
    }

    double real() {
        double value = 0.0;
        const char* start = numberStart();
        if (!start) return 0.0;
        auto result = std::from_chars(start, m_pEnd, value, std::chars_format::general);
        return finish(result.ec, result.ptr) && std::isfinite(value) ? value : fail();
    }

private:
    // Skips blanks; checks that a number follows (an optional sign, then a digit or '.');
    // returns where from_chars starts (after a '+', which it does not accept), or null.
    const char* numberStart() {
        if (!m_bOk) return nullptr;
        while (m_pPos < m_pEnd && isBlank(*m_pPos)) ++m_pPos;
        const char* p = m_pPos;
        if (p < m_pEnd && (*p == '+' || *p == '-')) ++p;
        if (p >= m_pEnd || !(isDigit(*p) || *p == '.')) {
            m_bOk = false;
            return nullptr;
        }
        return *m_pPos == '+' ? m_pPos + 1 : m_pPos;
    }

    bool finish(std::errc ec, const char* next) {
        if (ec != std::errc()) {
            m_bOk = false;
            return false;
        }
        m_pPos = next;
        return true;
    }

    double fail() {
        m_bOk = false;
        return 0.0;
    }

    const char* m_pPos;
    const char* m_pEnd;
    bool m_bOk = true;
};

// Display colours of every spectral type, computed once: a catalogue has only these 71
// temperatures, and each colour costs 81 exponentials.
struct SpectralColors {
    static constexpr char kClasses[8] = {'O', 'B', 'A', 'F', 'G', 'K', 'M', '?'};  // '?': any other
    float rgba[8][10][4];

    SpectralColors() {
        for (int c = 0; c < 8; ++c) {
            for (int d = 0; d < 10; ++d) {
                starColorFromTemperature(spectralTemperature(kClasses[c], static_cast<char>('0' + d)), rgba[c][d]);
            }
        }
    }
};

// starColorFromTemperature(spectralTemperature(letter, digit)), from the table.
void spectralColor(char letter, char digit, float out[4]) {
    static const SpectralColors table;
    if (letter == ' ') letter = 'F';
    int c = 0;
    while (c < 7 && SpectralColors::kClasses[c] != letter) ++c;
    int d = isDigit(digit) ? digit - '0' : 0;
    std::memcpy(out, table.rgba[c][d], sizeof table.rgba[c][d]);
}

enum class LineResult { Star, Blank, NoNumber, Damaged };

// Parses one catalogue line (without its line end) with the extraction sequence.
LineResult parseStarLine(const char* begin, const char* end, StarEntry& e) {
    const char* p = begin;
    while (p < end && isBlank(*p)) ++p;
    if (p == end) return LineResult::Blank;

    LineCursor in(begin, end);
    char designation[9];
    char spectral[2];
    char sign = '+';
    in.skip(1);
    int number = in.integer();
    if (!in.ok()) return LineResult::NoNumber;
    in.skip(2);
    in.raw(designation, 9);
    in.skip(1);
    double magnitude = in.real();
    in.skip(1);
    in.raw(spectral, 2);
    in.skip(1);
    int raHours = in.integer();
    in.skip(1);
    int raMinutes = in.integer();
    in.skip(1);
    double raSeconds = in.real();
    in.skip(2);
    in.raw(&sign, 1);
    int decDegrees = in.integer();
    in.skip(1);
    int decMinutes = in.integer();
    in.skip(1);
    double decSeconds = in.real();
    in.skip(2);
    double pmRA = in.real();
    in.skip(1);
    double pmDec = in.real();
    if (!in.ok()) return LineResult::Damaged;

    e.nNumber = number;
    e.dMagnitude = magnitude;
    e.dRA = hoursFromHMS(raHours, raMinutes, raSeconds) * 15.0 * Rad;
    e.dDec = hoursFromHMS(decDegrees, decMinutes, decSeconds) * Rad;
    if (sign == '-') e.dDec = -e.dDec;
    e.dPmRA = pmRA * Rad * kPmRaScale;
    e.dPmDec = pmDec * Rad / 3600.0;
    spectralColor(spectral[0], spectral[1], e.vColor);
    return LineResult::Star;
}

// Reads the next line into buf (at most kMaxStarLineChars - 1 characters kept, the rest of the
// line discarded). Returns the number of characters kept, or -1 at the end of the stream.
long readLine(std::istream& in, char (&buf)[kMaxStarLineChars]) {
    in.getline(buf, kMaxStarLineChars);
    long kept = static_cast<long>(in.gcount());
    if (!in.fail()) return in.eof() ? kept : kept - 1;  // gcount counts the extracted line end
    if (in.bad() || kept < kMaxStarLineChars - 1) return -1;
    in.clear();  // the buffer filled up: an over-long line
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    return kept;
}

void putU32(unsigned char* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

void putU64(unsigned char* out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getU32(const unsigned char* in) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | in[i];
    return v;
}

uint64_t getU64(const unsigned char* in) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | in[i];
    return v;
}

void putDouble(unsigned char* out, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    putU64(out, bits);
}

double getDouble(const unsigned char* in) {
    uint64_t bits = getU64(in);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

void putFloat(unsigned char* out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    putU32(out, bits);
}

float getFloat(const unsigned char* in) {
    uint32_t bits = getU32(in);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Byte offset and size of each cache field, in file order.
struct FieldSpan {
    int offset;
    int size;
};
constexpr FieldSpan kRecordFields[7] = {{0, 4}, {4, 8}, {12, 8}, {20, 8}, {28, 8}, {36, 8}, {44, 16}};

// Black-body spectral radiance (W / (m^2 sr m)) at wavelength lambdaNm (nm), temperature in K.
double blackBodyRadiance(double lambdaNm, double temperature) {
    double lambdaM = lambdaNm * 1e-9;
    return 3.74183e-16 * std::pow(lambdaM, -5.0) / (std::exp(14390158.988046885 / (temperature * lambdaNm)) - 1.0);
}

// Gamma of a display channel; keeps the sign of out-of-gamut (negative) values.
float displayChannel(double linear) {
    const double gamma = static_cast<double>(0.45f);
    double c = linear < 0.0 ? -std::pow(-linear, gamma) : std::pow(linear, gamma);
    return static_cast<float>(c > 1.0 ? 1.0 : c);
}

// Rounds to float; values beyond the float range become infinities (NaN stays NaN).
float toSinglePrecision(double value) {
    if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

void setColor(float out[4], float r, float g, float b) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = 1.0f;
}

}  // namespace

int spectralTemperature(char letter, char digit) {
    if (letter == ' ') letter = 'F';
    int d = isDigit(digit) ? digit - '0' : 0;
    switch (letter) {
        case 'O': return 25000 + (25000 * d) / 10;
        case 'B': return 11000 + (14000 * d) / 10;
        case 'A': return 7500 + (3500 * d) / 10;
        case 'F': return 6000 + (1500 * d) / 10;
        case 'G': return 5000 + (1000 * d) / 10;
        case 'K': return 3500 + (1500 * d) / 10;
        case 'M': return (3500 * d) / 10;
        default: return 0;
    }
}

void starColorFromTemperature(double temperature, float out[4]) {
    if (!out) return;
    if (!(temperature > 0.0)) {
        setColor(out, 1.0f, 0.0f, 0.0f);
        return;
    }
    if (temperature > kMaxColorTemperature) temperature = kMaxColorTemperature;

    double x = 0.0, y = 0.0, z = 0.0;
    for (int i = 0; i < kCie1931Rows; ++i) {
        double radiance = blackBodyRadiance(kCie1931FirstNm + kCie1931StepNm * i, temperature);
        x += radiance * kCie1931[i].x;
        y += radiance * kCie1931[i].y;
        z += radiance * kCie1931[i].z;
    }
    double largest = std::fmax(x, std::fmax(y, z));
    if (!(largest > 0.0) || !std::isfinite(largest)) {
        setColor(out, 1.0f, 0.0f, 0.0f);
        return;
    }
    x /= largest;
    y /= largest;
    z /= largest;
    double r = 3.240479 * x - 1.53715 * y - 0.49853 * z;
    double g = -0.969256 * x + 1.875991 * y + 0.041556 * z;
    double b = 0.055648 * x - 0.204043 * y + 1.057311 * z;
    setColor(out, displayChannel(r), displayChannel(g), displayChannel(b));
}

bool readStarEntry(std::istream& in, StarEntry& e) {
    char line[kMaxStarLineChars];
    if (!in) return false;
    for (;;) {
        long length = readLine(in, line);
        if (length < 0) return false;
        StarEntry parsed{};
        switch (parseStarLine(line, line + length, parsed)) {
            case LineResult::Star:
                e = parsed;
                return true;
            case LineResult::NoNumber:
                return false;
            case LineResult::Blank:
            case LineResult::Damaged:
                break;
        }
    }
}

void encodeStarRecord(const StarEntry& e, unsigned char out[kStarRecordBytes]) {
    putU32(out + 0, static_cast<uint32_t>(e.nNumber));
    putDouble(out + 4, e.dMagnitude);
    putDouble(out + 12, e.dRA);
    putDouble(out + 20, e.dDec);
    putDouble(out + 28, e.dPmRA);
    putDouble(out + 36, e.dPmDec);
    for (int i = 0; i < 4; ++i) putFloat(out + 44 + 4 * i, e.vColor[i]);
}

void decodeStarRecord(const unsigned char in[kStarRecordBytes], StarEntry& e) {
    e.nNumber = static_cast<int32_t>(getU32(in + 0));
    e.dMagnitude = getDouble(in + 4);
    e.dRA = getDouble(in + 12);
    e.dDec = getDouble(in + 20);
    e.dPmRA = getDouble(in + 28);
    e.dPmDec = getDouble(in + 36);
    for (int i = 0; i < 4; ++i) e.vColor[i] = getFloat(in + 44 + 4 * i);
}

bool writeStarEntry(const StarEntry& e, std::FILE* file) {
    if (!file) return false;
    unsigned char record[kStarRecordBytes];
    encodeStarRecord(e, record);
    return std::fwrite(record, 1, kStarRecordBytes, file) == static_cast<size_t>(kStarRecordBytes);
}

bool loadStarEntry(CPackageFile* file, StarEntry& e) {
    if (!file) return false;
    long position = file->tell();
    file->seek(0, 2);
    long size = file->tell();
    file->seek(position, 0);
    if (position < 0 || size < 0 || position >= size) return false;

    unsigned char record[kStarRecordBytes] = {};  // a short last record keeps zeros
    size_t delivered = 0;
    for (const FieldSpan& field : kRecordFields) {
        size_t want = static_cast<size_t>(field.size);
        size_t got = file->read(record + field.offset, want, 0);
        delivered += got < want ? got : want;
    }
    // A file that delivers nothing, or whose position does not move, would never reach its end.
    if (delivered == 0 || file->tell() <= position) return false;
    decodeStarRecord(record, e);
    return true;
}

int buildStarsCatalogFile(const char* textPath, const char* binPath, float minMagnitude, float maxMagnitude) {
    if (!textPath || !binPath) return -1;
    std::FILE* out = std::fopen(binPath, "wb");
    if (!out) return -1;

    int written = 0;
    bool failed = false;
    std::ifstream text(textPath);
    if (text.is_open()) {
        StarEntry entry{};
        while (!failed && readStarEntry(text, entry)) {
            // Compared in single precision, the precision of the bounds, so that a star written
            // as 6.10 is kept by a bound of 6.1.
            float magnitude = toSinglePrecision(entry.dMagnitude);
            if (!(minMagnitude <= magnitude && magnitude <= maxMagnitude)) continue;
            if (writeStarEntry(entry, out)) {
                ++written;
            } else {
                failed = true;
            }
        }
    }
    if (std::fclose(out) != 0) failed = true;
    if (failed) {
        std::remove(binPath);
        return -1;
    }
    return written;
}

}  // namespace Astro
