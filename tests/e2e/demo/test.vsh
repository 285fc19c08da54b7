#version 140
// The final pass draws the screen quad with the last pass's output.
in vec3 s_vPosition;
in vec2 texCoord;
uniform mat4 transform;
out vec2 uv;
void main()
{
    uv = texCoord;
    gl_Position = transform * vec4(s_vPosition, 1.0);
}
