#version 330 core
// The final pass: anti-aliases the last pass's picture ("finalTarget") into
// the window, then adds the two demo-wide effects: the "fstr_val" track as a
// white flash ("fstr") and the music's spectrum value ("fft") as a light pump.
//
// Anti-aliasing in the manner of FXAA: find pixels on a contrast edge, decide
// whether the edge runs horizontally or vertically, walk along it to both
// ends, and blend the pixel with its neighbour across the edge by how far it
// sits from the edge's ends (long, shallow steps get the most blending). A
// second, sub-pixel term softens single-pixel specks.
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
const float kSubpixelAmount = 0.75;
const int kSearchSteps = 10;
const float kSearchStride[10] = float[](1.0, 1.0, 1.0, 1.0, 1.5, 2.0, 2.0, 2.0, 4.0, 8.0);

vec3 texel(ivec2 p)
{
    return texelFetch(finalTarget, clamp(p, ivec2(0), textureSize(finalTarget, 0) - 1), 0).rgb;
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

// Perceived brightness of a (possibly over-bright) colour.
float luma(vec3 c)
{
    return sqrt(dot(clamp(c, 0.0, 1.0), vec3(0.299, 0.587, 0.114)));
}

vec3 antiAliased(vec2 pixel)
{
    ivec2 c = ivec2(floor(pixel));
    vec3 centre = texel(c);
    float lumaM = luma(centre);
    float lumaN = luma(texel(c + ivec2(0, 1)));
    float lumaS = luma(texel(c + ivec2(0, -1)));
    float lumaE = luma(texel(c + ivec2(1, 0)));
    float lumaW = luma(texel(c + ivec2(-1, 0)));
    float lumaMax = max(lumaM, max(max(lumaN, lumaS), max(lumaE, lumaW)));
    float lumaMin = min(lumaM, min(min(lumaN, lumaS), min(lumaE, lumaW)));
    float contrast = lumaMax - lumaMin;
    if (contrast < max(kEdgeThresholdMin, lumaMax * kEdgeThreshold))
        return centre;

    float lumaNE = luma(texel(c + ivec2(1, 1)));
    float lumaNW = luma(texel(c + ivec2(-1, 1)));
    float lumaSE = luma(texel(c + ivec2(1, -1)));
    float lumaSW = luma(texel(c + ivec2(-1, -1)));

    // Sub-pixel term: how much the centre stands out from its 3x3 average.
    float average = (2.0 * (lumaN + lumaS + lumaE + lumaW) + lumaNE + lumaNW + lumaSE + lumaSW) / 12.0;
    float subpixel = smoothstep(0.0, 1.0, clamp(abs(average - lumaM) / contrast, 0.0, 1.0));
    subpixel = subpixel * subpixel * kSubpixelAmount;

    // Edge orientation from second differences across rows and columns.
    float acrossRows = abs(lumaNW + lumaSW - 2.0 * lumaW) + 2.0 * abs(lumaN + lumaS - 2.0 * lumaM) + abs(lumaNE + lumaSE - 2.0 * lumaE);
    float acrossColumns = abs(lumaNW + lumaNE - 2.0 * lumaN) + 2.0 * abs(lumaW + lumaE - 2.0 * lumaM) + abs(lumaSW + lumaSE - 2.0 * lumaS);
    bool horizontal = acrossRows >= acrossColumns;

    // The neighbour across the edge: the side with the larger step.
    float lumaPositive = horizontal ? lumaN : lumaE;
    float lumaNegative = horizontal ? lumaS : lumaW;
    float gradientPositive = abs(lumaPositive - lumaM);
    float gradientNegative = abs(lumaNegative - lumaM);
    bool towardsPositive = gradientPositive >= gradientNegative;
    float gradient = max(gradientPositive, gradientNegative);
    float lumaEdge = 0.5 * (lumaM + (towardsPositive ? lumaPositive : lumaNegative));
    vec2 across = (horizontal ? vec2(0.0, 1.0) : vec2(1.0, 0.0)) * (towardsPositive ? 1.0 : -1.0);
    vec2 along = horizontal ? vec2(1.0, 0.0) : vec2(0.0, 1.0);

    // Walk along the edge, half a texel across it, until the luma there
    // leaves the edge's average on each side.
    vec2 start = vec2(c) + 0.5 + 0.5 * across;
    float threshold = gradient * 0.25;
    float distanceNegative = 0.0, distancePositive = 0.0;
    float endNegative = 0.0, endPositive = 0.0;
    bool doneNegative = false, donePositive = false;
    for (int i = 0; i < kSearchSteps; ++i) {
        if (!doneNegative) {
            distanceNegative += kSearchStride[i];
            endNegative = luma(sampleLinear(start - along * distanceNegative)) - lumaEdge;
            doneNegative = abs(endNegative) >= threshold;
        }
        if (!donePositive) {
            distancePositive += kSearchStride[i];
            endPositive = luma(sampleLinear(start + along * distancePositive)) - lumaEdge;
            donePositive = abs(endPositive) >= threshold;
        }
        if (doneNegative && donePositive)
            break;
    }

    // Blend only when the nearer end bends the edge towards this pixel's side.
    bool negativeNearer = distanceNegative < distancePositive;
    float nearest = min(distanceNegative, distancePositive);
    float endDelta = negativeNearer ? endNegative : endPositive;
    bool centreBelowEdge = lumaM < lumaEdge;
    float edgeBlend = ((endDelta < 0.0) != centreBelowEdge) ? 0.5 - nearest / (distanceNegative + distancePositive) : 0.0;

    float blend = max(edgeBlend, subpixel);
    return sampleLinear(vec2(c) + 0.5 + across * blend);
}

void main()
{
    // The targets keep the window size of start-up; scale if the window changed since.
    vec2 pixel = gl_FragCoord.xy / iResolution * vec2(textureSize(finalTarget, 0));
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
