#version 330 core
// Scene "horizon", pass 2 of 3: blurs pass 1's output (iChannel1) vertically
// and lays it over pass 0's picture (iChannel0) as bloom.
// Parameters (tracks): fade, bloom (strength of the glow).

uniform sampler2D iChannel0;
uniform sampler2D iChannel1;
uniform float fft;
uniform float fade;
uniform float bloom;

out vec4 fragColor;

const float kWeights[7] = float[](0.2, 0.17, 0.13, 0.09, 0.06, 0.035, 0.02);
const int kSpacing = 2;

vec3 glowAt(ivec2 p)
{
    ivec2 size = textureSize(iChannel1, 0);
    return texelFetch(iChannel1, clamp(p, ivec2(0), size - 1), 0).rgb;
}

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    vec3 glow = glowAt(p) * kWeights[0];
    for (int i = 1; i < 7; ++i) {
        glow += (glowAt(p + ivec2(0, i * kSpacing)) + glowAt(p - ivec2(0, i * kSpacing))) * kWeights[i];
    }
    vec3 scene = texelFetch(iChannel0, p, 0).rgb;
    float pulse = 1.0 - exp(-fft * 10.0);
    vec3 colour = scene + glow * bloom * (2.0 + pulse);
    // soft shoulder instead of a hard clip for the over-bright sun and lines
    colour = colour / (1.0 + max(colour - 1.0, 0.0) * 0.5);
    fragColor = vec4(colour * fade, 1.0);
}
