#version 450 core
// The screen-depth pass's three targets (layouts in screenspace.glsl): the view normal, the view
// depth over the screen depth range, and the screen motion since the previous frame (zero while
// the kinematic effector says the field is off, "g_vKSettings".x = 0).
in vec3 v_viewNormal;
in float v_viewDepth;
in vec4 v_clip;
in vec4 v_previousClip;

layout(location = 0) out vec4 o_normal;
layout(location = 1) out vec4 o_depth;
layout(location = 2) out vec4 o_velocity;

uniform float u_depthScale;
uniform vec4 g_vKSettings;

void main() {
    vec3 n = normalize(v_viewNormal);
    o_normal = vec4(n * 0.5 + 0.5, 1.0);
    o_depth = vec4(v_viewDepth / u_depthScale, 0.0, 0.0, 0.0);
    vec2 motion = vec2(0.0);
    if (g_vKSettings.x > 0.5 && v_previousClip.w > 0.0)
        motion = v_clip.xy / v_clip.w - v_previousClip.xy / v_previousClip.w;
    o_velocity = vec4(motion, 0.0, 0.0);
}
