#version 330 core
// The vertex shader of every pass. The player draws one
// big quad per pass through a camera ("transform") that makes it cover the
// whole window; the fragment shaders then work in window pixels.

in vec3 s_vPosition;   // the quad's corner
in vec2 texCoord;      // the quad's texture coordinate (only a sliver of it is on screen)

uniform mat4 transform;      // the pass camera's projection * view * model
uniform vec3 obj_position;   // the quad's offset: (0, 0, 0)

void main()
{
    gl_Position = transform * vec4(s_vPosition + obj_position, 1.0);
}
