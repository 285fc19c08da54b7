#version 330 core
// Scene "intro" (and the closing title): a drifting nebula with stars, and
// the demo's title glowing in and out.
//   tex0  noise.png   red/green: soft noise, blue: cells
//   tex1  title.png   red: letters, green: their glow, blue: a light streak
// Parameters (tracks): fade (overall brightness), title_glow (0..1),
// drift (how far the clouds have moved).

uniform sampler2D tex0;
uniform sampler2D tex1;
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
uniform float fade;
uniform float title_glow;
uniform float drift;

out vec4 fragColor;

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5453);
}

// One layer of stars: at most one per grid cell, twinkling.
float stars(vec2 p, float density, float seed)
{
    vec2 cell = floor(p * density);
    vec2 local = fract(p * density) - 0.5;
    float h = hash(cell + seed);
    vec2 offset = vec2(hash(cell + seed + 3.1), hash(cell + seed + 7.7)) - 0.5;
    float d = length(local - offset * 0.7);
    float twinkle = 0.6 + 0.4 * sin(iGlobalTime * (1.0 + 3.0 * h) + h * 40.0);
    return step(0.82, h) * smoothstep(0.09, 0.0, d) * twinkle;
}

vec3 nebula(vec2 p)
{
    vec2 flow = vec2(drift * 0.02, drift * 0.006);
    float broad = texture(tex0, p * 0.22 + flow).r;
    float fine = texture(tex0, p * 0.55 - flow * 1.7 + broad * 0.25).g;
    float cells = texture(tex0, p * 0.3 + flow * 0.5 + fine * 0.1).b;
    float density = smoothstep(0.3, 0.85, broad * 0.65 + fine * 0.45);
    vec3 deep = vec3(0.02, 0.01, 0.06);
    vec3 violet = vec3(0.35, 0.08, 0.45);
    vec3 teal = vec3(0.05, 0.45, 0.55);
    vec3 colour = mix(deep, violet, density);
    colour += teal * pow(fine, 4.0) * 1.4 * density;
    colour += vec3(0.9, 0.5, 0.3) * pow(1.0 - cells, 8.0) * density * 0.5;
    return colour;
}

void main()
{
    vec2 p = (2.0 * gl_FragCoord.xy - iResolution) / iResolution.y;
    float pulse = 1.0 - exp(-fft * 12.0);

    vec3 colour = nebula(p);
    vec2 parallax = vec2(drift * 0.01, 0.0);
    colour += vec3(0.8, 0.85, 1.0) * (stars(p + parallax, 9.0, 1.0) + 0.6 * stars(p + parallax * 0.5, 17.0, 5.0));
    colour *= 0.85 + 0.4 * pulse;

    // The title, 1.6 units wide, centred; texture row 0 is the image's top.
    vec2 titleUv = vec2(p.x / 1.6 + 0.5, 0.5 - p.y / 0.4);
    if (all(greaterThanEqual(titleUv, vec2(0.0))) && all(lessThanEqual(titleUv, vec2(1.0)))) {
        vec3 title = texture(tex1, titleUv).rgb;
        float shimmer = 0.8 + 0.2 * sin(iGlobalTime * 3.0 + p.x * 4.0);
        vec3 glow = vec3(0.3, 0.65, 1.0) * title.g * (0.7 + 0.8 * pulse) * shimmer;
        vec3 streak = vec3(0.6, 0.8, 1.0) * title.b * (0.4 + pulse);
        colour = mix(colour, vec3(1.0), title.r * title_glow) + (glow + streak) * title_glow;
    }

    fragColor = vec4(colour * fade, 1.0);
}
