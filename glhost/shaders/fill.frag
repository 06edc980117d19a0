#version 450 core
// "Bkgr" and the post-effect copies: the texture (white when none is set) times a colour.
// u_color.a is the weight of the blend the host sets up for the blending modes.
in vec2 v_uv;
out vec4 o_color;

uniform sampler2D u_texture;
uniform vec4 u_color;

void main() {
    o_color = texture(u_texture, v_uv) * u_color;
}
