#pragma once
// The star catalogue: the text catalogue "PPM.dat", its binary cache "PPMbin.dat", and the
// conversion of a spectral type into a display colour.
//
// Text catalogue: one star per line, fixed columns (see readStarEntry).
// Binary cache: no header and no count; 60-byte records until the end of the file, each field
// little-endian IEEE-754 (int32 two's complement):
//
//   offset  size  type         field
//        0     4  int32        nNumber      catalogue number
//        4     8  double       dMagnitude   visual magnitude
//       12     8  double       dRA          right ascension, radians
//       20     8  double       dDec         declination, radians
//       28     8  double       dPmRA        proper motion in RA, radians per Julian century
//       36     8  double       dPmDec       proper motion in Dec, radians per Julian century
//       44    16  4 x float32  vColor       red, green, blue, alpha
//
// A loaded star costs these 60 bytes of data; the 500 000 stars of a deep catalogue are 30 MB.
#include <cstdint>
#include <cstdio>
#include <iosfwd>

#include "enviro/host/CommonServices.h"

namespace Astro {

// One catalogue entry being parsed, written or read.
struct StarEntry {
    int32_t nNumber;    // catalogue number
    double dRA;         // right ascension at the catalogue epoch, radians
    double dDec;        // declination at the catalogue epoch, radians
    double dPmRA;       // proper motion in right ascension, radians per Julian century
    double dPmDec;      // proper motion in declination, radians per Julian century
    double dMagnitude;  // visual magnitude
    float vColor[4];    // display colour: red, green, blue, alpha
};

constexpr int kStarRecordBytes = 60;

// Colour temperature in kelvin of a spectral class letter (O B A F G K M) and subclass digit.
// A blank letter counts as 'F' and a blank digit as '0'; any other non-digit subclass also
// counts as '0'. With d the digit: O 25000 + 2500d, B 11000 + 1400d, A 7500 + 350d,
// F 6000 + 150d, G 5000 + 100d, K 3500 + 150d, M 350d (no base, so M0 is 0); any other letter 0.
// (Each step is computed as (w * d) / 10 with integer division.)
int spectralTemperature(char letter, char digit);

// Display colour of a black body at the given temperature (kelvin): its CIE XYZ over
// 380..780 nm, scaled so that the largest is 1, converted to linear RGB, each channel raised
// to the power 0.45 and limited to at most 1; alpha 1. A channel whose linear value is below
// zero (cool bodies fall outside the RGB gamut) keeps its sign: -(|c|^0.45), so the result
// stays finite and is not clamped from below.
// Fallbacks: a temperature that is not a positive number, or so low that the black body
// gives no representable light in the visible range (below about 26 K, e.g. class M0 = 0 K),
// gives opaque red (1, 0, 0, 1), the hue the colour tends to as the body cools. Temperatures
// above kMaxColorTemperature (infinity included) are treated as kMaxColorTemperature.
void starColorFromTemperature(double temperature, float out[4]);
constexpr double kMaxColorTemperature = 1.0e7;  // kelvin

// Reads the next star of a text catalogue. Each line is read with the catalogue's extraction
// sequence (the columns are 1-based):
//   skip 1; int catalogue number (cols 2-7); skip 2; 9 characters designation (not kept);
//   skip 1; double magnitude; skip 1; 2 characters spectral letter and digit;
//   skip 1; int RA hours; skip 1; int RA minutes; skip 1; double RA seconds;
//   skip 2; 1 character declination sign; int degrees; skip 1; int arcminutes; skip 1;
//   double arcseconds; skip 2; double proper motion in RA (seconds of time per century);
//   skip 1; double proper motion in Dec (arcseconds per century); the rest of the line is
//   ignored. Numbers skip leading blanks and may carry a sign, as stream extraction does.
// Returns false when the stream is already failed, at the end of the stream, or when a line's
// catalogue number cannot be read (that ends the catalogue). Blank lines are skipped. A line
// whose catalogue number reads but whose later fields are missing or not numbers (a short or
// damaged line) is skipped, and the next line is tried. Only the first kMaxStarLineChars
// characters of a line are looked at; the rest of an over-long line is discarded.
bool readStarEntry(std::istream& in, StarEntry& e);
constexpr int kMaxStarLineChars = 256;

// The 60-byte cache record of an entry and back (layout above, independent of host byte order).
void encodeStarRecord(const StarEntry& e, unsigned char out[kStarRecordBytes]);
void decodeStarRecord(const unsigned char in[kStarRecordBytes], StarEntry& e);

// Appends the entry's 60-byte record to an open binary file; false when file is null or the
// record could not be written completely.
bool writeStarEntry(const StarEntry& e, std::FILE* file);

// Reads the next record through a packaged file; false (e unchanged) at or beyond the end of
// the file, when file is null, or when the file delivers no bytes or its position does not
// advance (so that a loop over the file always ends). The position is compared
// with the size (seek to the end, tell, seek back) on every call. The seven fields are read in
// file order; a last, partial record is completed with zero bytes (never unread memory).
bool loadStarEntry(CPackageFile* file, StarEntry& e);

// Converts the text catalogue textPath into the binary cache binPath, keeping the stars with
// minMagnitude <= magnitude <= maxMagnitude (both bounds inclusive, the magnitude rounded to
// single precision like the bounds, so that a bound of 6.1 keeps a star written as 6.10), in
// catalogue order.
// Returns the number of records written; -1 when a path is null or the binary file cannot be
// created (nothing written), or when writing fails part way (the incomplete cache is removed,
// so that the next start builds it again). A missing text file writes an empty cache and
// returns 0.
int buildStarsCatalogFile(const char* textPath, const char* binPath, float minMagnitude, float maxMagnitude);

}  // namespace Astro
