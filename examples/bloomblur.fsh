#version 330 core
// Scene "horizon", pass 1 of 3: keeps what is brighter than white in pass 0's
// picture (iChannel0) and blurs it horizontally.
// Parameters: none.

uniform sampler2D iChannel0;

out vec4 fragColor;

const float kWeights[7] = float[](0.2, 0.17, 0.13, 0.09, 0.06, 0.035, 0.02);
const int kSpacing = 2;   // pixels between taps: a wide blur for few taps

vec3 bright(ivec2 p)
{
    ivec2 size = textureSize(iChannel0, 0);
    vec3 c = texelFetch(iChannel0, clamp(p, ivec2(0), size - 1), 0).rgb;
    return max(c - vec3(0.8), vec3(0.0));
}

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    vec3 sum = bright(p) * kWeights[0];
    for (int i = 1; i < 7; ++i) {
        sum += (bright(p + ivec2(i * kSpacing, 0)) + bright(p - ivec2(i * kSpacing, 0))) * kWeights[i];
    }
    fragColor = vec4(sum, 1.0);
}
