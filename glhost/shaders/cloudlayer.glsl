// The cloud layer of "Cirrus": a flat layer at a world altitude whose coverage is a pattern that
// repeats every u_tileSize world units in x and z (so that the cloud-shadow map, one tile of it,
// wraps), drifting with the wind. A world point (x, z) lies at pattern coordinates
// ((x, z) - drift) / tileSize; the pattern is periodic with period 1 there.

uniform float u_coverage;    // 0 clear .. 1 overcast

float cloudHash(vec2 p) {
    vec3 q = fract(vec3(p.xyx) * 0.1031);
    q += dot(q, q.yzx + 33.33);
    return fract((q.x + q.y) * q.z);
}

// Value noise on a lattice of `cells` cells per unit, wrapped every `cells` cells.
float periodicNoise(vec2 p, float cells) {
    vec2 s = p * cells, i = floor(s), f = fract(s);
    f = f * f * (3.0 - 2.0 * f);
    vec2 j = mod(i + 1.0, cells);
    i = mod(i, cells);
    return mix(mix(cloudHash(i), cloudHash(vec2(j.x, i.y)), f.x),
               mix(cloudHash(vec2(i.x, j.y)), cloudHash(j), f.x), f.y);
}

// Optical density of the layer (0 .. 1) at pattern coordinates uv.
float cloudDensity(vec2 uv) {
    float sum = 0.0, amplitude = 0.5, cells = 4.0;
    for (int octave = 0; octave < 5; ++octave) {
        sum += amplitude * periodicNoise(uv, cells);
        amplitude *= 0.5;
        cells *= 2.0;
    }
    float edge = 1.0 - u_coverage;
    return smoothstep(edge - 0.1, edge + 0.25, sum) * u_coverage;
}
