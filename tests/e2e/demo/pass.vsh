#version 140
// Every pass draws the full-screen quad; uv runs across the screen.
in vec3 s_vPosition;
in vec2 texCoord;
uniform mat4 transform;
out vec2 uv;
void main()
{
    uv = texCoord;
    gl_Position = transform * vec4(s_vPosition, 1.0);
}
