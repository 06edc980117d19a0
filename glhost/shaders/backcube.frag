#version 450 core
// "SysBackCube": a cube target seen from the camera, as if drawn on a box around it with the world
// matrix u_world (rotation and scale; the translation is the box's centre, the camera's place):
// every pixel takes the cube's texel in its view direction turned into the box's frame, times the
// weight. Mode 1 adds to what the target holds (the host sets additive blending), other modes
// replace it.
in vec2 v_ndc;
out vec4 o_color;

uniform samplerCube u_cube;
uniform mat4 u_invRotationProj;  // inverse of the camera's rotation x projection
uniform mat4 u_world;            // the box's world matrix (p * W)
uniform vec4 u_weight;

void main() {
    vec4 a = u_invRotationProj * vec4(v_ndc, 0.0, 1.0);
    vec4 b = u_invRotationProj * vec4(v_ndc, 1.0, 1.0);
    vec3 d = b.xyz / b.w - a.xyz / a.w;
    // World = local * W: a world direction goes back into the box by W's rotation transposed
    // (its uniform scale does not change directions).
    vec3 local = transpose(mat3(u_world)) * d;
    o_color = texture(u_cube, local) * u_weight;
}
