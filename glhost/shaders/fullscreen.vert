#version 450 core
// One triangle that covers the viewport: corners (-1,-1), (3,-1), (-1,3) from gl_VertexID.
// v_uv runs from (0,0) at the top-left of the viewport to (1,1) at its bottom-right (the host's
// clip control puts window row 0 at the top), v_ndc is the clip-space position.
out vec2 v_uv;
out vec2 v_ndc;

void main() {
    vec2 corner = vec2(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0);
    v_ndc = corner;
    v_uv = vec2(corner.x * 0.5 + 0.5, 0.5 - corner.y * 0.5);
    gl_Position = vec4(corner, 0.0, 1.0);
}
