#version 450 core
// The float-depth path of the shadow map: the post-perspective depth of the nearest caster into
// the colour target ("psm_depth", R32F) beside the hardware depth.
out vec4 o_depth;

void main() {
    o_depth = vec4(gl_FragCoord.z);
}
