#version 450 core
// A round star: full in the middle of its point, soft at the rim (added over the sky).
in vec3 v_color;
out vec4 o_color;

void main() {
    vec2 p = gl_PointCoord * 2.0 - 1.0;
    float w = smoothstep(1.0, 0.3, dot(p, p));
    o_color = vec4(v_color * w, 1.0);
}
