#version 140
// The final pass: the last pass's output, unchanged.
in vec2 uv;
uniform sampler2D finalTarget;
out vec4 colour;
void main()
{
    colour = vec4(texture(finalTarget, uv).rgb, 1.0);
}
