// What the render API shares with every program that draws geometry: the user clip plane (clip
// space), tested through gl_ClipDistance[0] while the host's clip-plane switch is on.
layout(std140, binding = 0) uniform HostBlock {
    vec4 u_clipPlane;
};
