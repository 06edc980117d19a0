#version 450 core
// The motion-blur post pass: each pixel averages the scene along its screen motion since the
// previous frame (the velocity field, normalised device coordinates per frame), over the share
// of a frame the shutter is open, centred on the pixel. Pixels that did not move stay sharp.
in vec2 v_uv;
out vec4 o_color;

uniform sampler2D u_scene;       // linear HDR
uniform sampler2D u_velocity;    // "m_rtVelocityField"
uniform vec4 u_velocityRect;     // KinematicEffector::getScreenRect
uniform float u_shutter;         // share of a frame the shutter is open
uniform int u_taps;

void main() {
    vec2 motion = texture(u_velocity, v_uv * u_velocityRect.zw).xy;
    // Device coordinates (y up) to texture coordinates (rows from the top).
    vec2 step = vec2(0.5, -0.5) * motion * u_shutter;
    vec3 sum = vec3(0.0);
    for (int i = 0; i < u_taps; ++i) {
        float t = (float(i) + 0.5) / float(u_taps) - 0.5;
        sum += texture(u_scene, clamp(v_uv - step * t, vec2(0.0), vec2(1.0))).rgb;
    }
    o_color = vec4(sum / float(u_taps), 1.0);
}
