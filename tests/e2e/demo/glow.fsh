#version 140
// The previous pass, the scene's image and a parameter track together.
in vec2 uv;
uniform sampler2D iChannel0;
uniform sampler2D tex0;
uniform float level;
uniform float fft;
out vec4 colour;
void main()
{
    vec4 previous = texture(iChannel0, uv);
    vec4 image = texture(tex0, uv * 8.0);
    colour = vec4(mix(previous.rgb, image.rgb, clamp(level + fft, 0.0, 1.0)), 1.0);
}
