#version 450 core
// "SysPostEffect" depth-guided filter: a 4 x 4 box over the ambient occlusion (the size of its
// rotation pattern), each tap weighted by how close its depth is to the pixel's, so that the blur
// does not cross from one surface to another.
#include "screenspace.glsl"

in vec2 v_uv;
out vec4 o_color;

uniform sampler2D u_source;   // the occlusion
uniform sampler2D u_depth;
uniform vec4 u_depthRect;     // the screen targets' rectangle
uniform vec4 u_sourceRect;    // the occlusion targets' rectangle

void main() {
    float z0 = texture(u_depth, v_uv * u_depthRect.zw).x;
    vec2 step = u_sourceRect.xy * 2.0;
    float sum = 0.0, weight = 0.0;
    for (int y = -2; y < 2; ++y)
        for (int x = -2; x < 2; ++x) {
            vec2 at = v_uv * u_sourceRect.zw + (vec2(x, y) + 0.5) * step;
            float z = texture(u_depth, at / u_sourceRect.zw * u_depthRect.zw).x;
            float w = exp(-abs(z - z0) / (z0 * 0.02 + 1e-6));
            sum += texture(u_source, at).x * w;
            weight += w;
        }
    o_color = vec4(weight > 0.0 ? sum / weight : 1.0);
}
