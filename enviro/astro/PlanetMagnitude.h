#pragma once
// The visual magnitude of a planet from its distances and phase angle.

namespace Astro {

// Apparent visual magnitude of body (1 Mercury, 2 Venus, 4 Mars … 9 Pluto) at Sun distance r
// and Earth distance delta (AU) and phase angle (radians), in the year given (Neptune brightened
// between 1980 and 2000). Saturn is the globe alone: its rings, which add up to 1.3 magnitudes
// when wide open, are left out. Any other body gives 0.
double planetMagnitude(int body, double sunDistanceAu, double earthDistanceAu, double phaseAngle, double year);

}  // namespace Astro
