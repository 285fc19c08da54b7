// Scene "ink": the breakdown. Luminous ink folding over itself (noise that
// bends noise), calm at first, then stirred harder through the build-up.
// Written as the shader sites write shaders ("convention": "shadertoy" in
// demo.json): no #version, no main, no vertex shader of its own; the player
// adds them and sets iResolution, iTime and the channels.
//   iChannel0  noise.png ("channels": ["texture:0"])
// Parameters (tracks): fade, warp (how strongly the ink folds), ink_hue
// (moves the palette along). trails.fsh draws the trails over it.

uniform float fft;
uniform float fade;
uniform float warp;
uniform float ink_hue;

vec2 noise2(vec2 p)
{
    return texture(iChannel0, p).rg * 2.0 - 1.0;
}

vec3 palette(float t)
{
    return 0.5 + 0.5 * cos(6.2832 * (t + vec3(0.0, 0.3, 0.55) + ink_hue));
}

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float pulse = 1.0 - exp(-fft * 12.0);
    float t = iTime * 0.04;

    // Two rounds of domain warping: each lookup moves the next one.
    // The ink is seen closer as it is stirred harder.
    vec2 q = p * 0.22 / (1.0 + 0.3 * warp);
    vec2 first = noise2(q + vec2(t, -t * 0.7));
    vec2 second = noise2(q * 1.3 + warp * 0.25 * first + vec2(-t * 0.5, t));
    float ink = texture(iChannel0, q * 0.8 + warp * 0.3 * second + t * 0.3).r;
    float cells = texture(iChannel0, q * 1.3 + warp * 0.2 * second).b;

    // Bright veins where the folded noise crosses its middle.
    float vein = exp(-abs(ink - 0.5) * (22.0 - 10.0 * pulse));
    vec3 colour = vec3(0.01, 0.005, 0.03) + palette(ink * 1.2 + length(first) * 0.4) * pow(ink, 3.0) * 0.5;
    colour += palette(ink + 0.4) * vein * (0.7 + 1.0 * pulse) * (0.7 + 0.25 * warp);
    colour += vec3(1.0, 0.9, 0.8) * pow(1.0 - cells, 14.0) * 0.3;

    fragColor = vec4(colour * fade, 1.0);
}
