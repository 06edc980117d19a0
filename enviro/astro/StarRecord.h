#pragma once
// A loaded catalogue star as the astronomy manager keeps it (one heap record per star).

namespace Astro {

class AstroManager;

// 64 bytes on a 64-bit build: the owner pointer, five doubles, the colour.
struct StarRecord {
    AstroManager* pOwner;  // the manager that loaded it
    double dRA;            // right ascension at the catalogue epoch, radians (catalogue equinox)
    double dDec;           // declination at the catalogue epoch, radians
    double dPmRA;          // proper motion in right ascension, radians per Julian century
    double dPmDec;         // proper motion in declination, radians per Julian century
    double dMagnitude;     // visual magnitude
    float vColor[4];       // display colour: red, green, blue, alpha
};

}  // namespace Astro
