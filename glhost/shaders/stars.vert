#version 450 core
// The stars and planets of getStars as points at infinity, sized and weighted by magnitude and
// faded out where the sky at their place is too bright for them (limitingMagnitude).
#include "skymodel.glsl"

layout(location = 0) in vec3 a_direction;  // unit direction, world frame
layout(location = 1) in float a_magnitude;
layout(location = 2) in vec3 a_color;

uniform mat4 u_viewProj;   // rotation x projection (no translation)
uniform float u_pixelScale;  // point size of a magnitude 0 star
uniform float u_flux;        // radiance of a magnitude 0 star

out vec3 v_color;

void main() {
    vec4 p = u_viewProj * vec4(a_direction, 0.0);
    p.z = p.w * 0.999999;  // on the far plane's near side
    gl_Position = p;
    float flux = pow(10.0, -0.4 * a_magnitude);
    gl_PointSize = clamp(u_pixelScale * pow(flux, 0.25), 1.0, u_pixelScale * 1.5);
    float sky = dot(skyColor(a_direction), vec3(0.2126, 0.7152, 0.0722));
    float contrast = clamp(limitingMagnitude(sky) - a_magnitude, 0.0, 1.0);
    float horizon = smoothstep(-0.02, 0.03, a_direction.y);
    v_color = a_color * u_flux * min(flux, 4.0) * contrast * horizon;
}
