#version 330 core
// Scene "kaleido", pass 1 of 2: light shafts. Smears pass 0's bright parts
// (iChannel0) outwards from the centre of the screen and adds them back.
// Parameters (tracks): fade, ray_strength.

uniform sampler2D iChannel0;
uniform vec2 iResolution;
uniform float fade;
uniform float ray_strength;

out vec4 fragColor;

const int kTaps = 16;

vec3 sampleNearest(vec2 uv)
{
    ivec2 size = textureSize(iChannel0, 0);
    return texelFetch(iChannel0, clamp(ivec2(uv * vec2(size)), ivec2(0), size - 1), 0).rgb;
}

void main()
{
    vec2 uv = gl_FragCoord.xy / iResolution;
    vec3 scene = sampleNearest(uv);

    // March towards the centre; nearer samples weigh more.
    vec2 step = (uv - 0.5) * 0.35 / float(kTaps);
    vec3 rays = vec3(0.0);
    float weight = 1.0;
    vec2 at = uv;
    for (int i = 0; i < kTaps; ++i) {
        at -= step;
        rays += max(sampleNearest(at) - vec3(0.6), vec3(0.0)) * weight;
        weight *= 0.9;
    }
    vec3 colour = scene + rays * ray_strength * 0.25;
    colour = colour / (1.0 + max(colour - 1.0, 0.0) * 0.5);
    fragColor = vec4(colour * fade, 1.0);
}
