#version 330 core
// The final pass: anti-aliases the last pass's picture ("finalTarget") into
// the window, then adds the two demo-wide effects: the "fstr_val" track as a
// white flash ("fstr") and the music's spectrum value ("fft") as a light pump.
//
// Anti-aliasing in the manner of FXAA, in its light form: pixels on a contrast
// edge are blended along the edge's direction, estimated from the four
// diagonal neighbours; flat areas are copied as they are. A few taps per edge
// pixel and no search along the edge keep it cheap on a software renderer.
//
// The render targets use nearest filtering, so the blends between texels are
// done here by hand (sampleLinear).

uniform sampler2D finalTarget;
uniform vec2 iResolution;   // window size in pixels
uniform float fft;          // spectrum value of this frame
uniform float fstr;         // flash strength, 0..1

out vec4 fragColor;

const float kEdgeThreshold = 0.125;     // local contrast needed, relative to the brightest neighbour
const float kEdgeThresholdMin = 0.03;   // ... and absolute, so dark noise is left alone
const float kReduceMul = 1.0 / 8.0;     // how much a bright area shortens the blend
const float kReduceMin = 1.0 / 128.0;
const float kSpanMax = 8.0;             // longest blend along an edge, in texels

ivec2 lastTexel;   // the target's far corner, set once per pixel in main

vec3 texel(ivec2 p)
{
    return texelFetch(finalTarget, clamp(p, ivec2(0), lastTexel), 0).rgb;
}

// Bilinear sample at a position in texels (texel centres at .5).
vec3 sampleLinear(vec2 p)
{
    p -= 0.5;
    ivec2 i = ivec2(floor(p));
    vec2 f = p - floor(p);
    vec3 bottom = mix(texel(i), texel(i + ivec2(1, 0)), f.x);
    vec3 top = mix(texel(i + ivec2(0, 1)), texel(i + ivec2(1, 1)), f.x);
    return mix(bottom, top, f.y);
}

// Perceived brightness of a (possibly over-bright) colour, roughly gamma-encoded.
float luma(vec3 c)
{
    return sqrt(dot(clamp(c, 0.0, 1.0), vec3(0.299, 0.587, 0.114)));
}

vec3 antiAliased(vec2 pixel)
{
    ivec2 c = ivec2(floor(pixel));
    vec3 centre = texel(c);
    float lumaM = luma(centre);
    float lumaNE = luma(texel(c + ivec2(1, 1)));
    float lumaNW = luma(texel(c + ivec2(-1, 1)));
    float lumaSE = luma(texel(c + ivec2(1, -1)));
    float lumaSW = luma(texel(c + ivec2(-1, -1)));
    float lumaMax = max(lumaM, max(max(lumaNE, lumaNW), max(lumaSE, lumaSW)));
    float lumaMin = min(lumaM, min(min(lumaNE, lumaNW), min(lumaSE, lumaSW)));
    if (lumaMax - lumaMin < max(kEdgeThresholdMin, lumaMax * kEdgeThreshold))
        return centre;

    // The edge runs across the direction in which luma changes most.
    vec2 direction = vec2(-((lumaNW + lumaNE) - (lumaSW + lumaSE)), (lumaNW + lumaSW) - (lumaNE + lumaSE));
    float reduce = max((lumaNW + lumaNE + lumaSW + lumaSE) * 0.25 * kReduceMul, kReduceMin);
    direction = clamp(direction / (min(abs(direction.x), abs(direction.y)) + reduce), -kSpanMax, kSpanMax);

    // Two taps close to the pixel, two further out; the wider blend is kept
    // unless it reaches colours the neighbourhood does not have.
    vec2 p = vec2(c) + 0.5;
    vec3 near = 0.5 * (sampleLinear(p - direction / 6.0) + sampleLinear(p + direction / 6.0));
    vec3 wide = 0.5 * near + 0.25 * (sampleLinear(p - direction * 0.5) + sampleLinear(p + direction * 0.5));
    float lumaWide = luma(wide);
    return (lumaWide < lumaMin || lumaWide > lumaMax) ? near : wide;
}

void main()
{
    // The targets keep the window size of start-up; scale if the window changed since.
    ivec2 size = textureSize(finalTarget, 0);
    lastTexel = size - 1;
    vec2 pixel = gl_FragCoord.xy / iResolution * vec2(size);
    vec3 colour = antiAliased(pixel);

    // The music pumps the light a little; the flash washes towards warm white.
    float pulse = 1.0 - exp(-fft * 10.0);
    colour *= 1.0 + 0.18 * pulse;
    vec2 uv = gl_FragCoord.xy / iResolution;
    float vignette = 1.0 - 0.55 * dot(uv - 0.5, uv - 0.5) * (1.0 - 0.3 * pulse);
    colour *= vignette;
    colour = mix(colour, vec3(1.0, 0.96, 0.9), clamp(fstr, 0.0, 1.0) * 0.85);

    fragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
