#version 330 core
// Scene "kaleido", pass 0 of 2: the climax. The panel texture folded into a
// turning kaleidoscope that zooms outwards with the music.
//   tex0  panel.png   plates; alpha marks what glows
//   tex1  noise.png
// Parameters (tracks): segments (mirror count, whole numbers), spin
// (rotation in radians).

uniform sampler2D tex0;
uniform sampler2D tex1;
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
uniform float segments;
uniform float spin;

out vec4 fragColor;

const float kPi = 3.14159265;

void main()
{
    vec2 p = (2.0 * gl_FragCoord.xy - iResolution) / iResolution.y;
    float pulse = 1.0 - exp(-fft * 10.0);

    // Fold the angle into one mirrored wedge.
    float wedge = kPi / max(floor(segments), 1.0);
    float radius = length(p);
    float angle = atan(p.y, p.x) + spin;
    angle = mod(angle, 2.0 * wedge);
    angle = abs(angle - wedge);
    vec2 folded = vec2(cos(angle), sin(angle)) * radius;

    // Zoom outwards in log space, so the pattern streams from the centre.
    float zoom = log(radius + 0.02) - iGlobalTime * 0.35;
    vec2 uv = vec2(folded.y * 0.6 + spin * 0.05, zoom * 0.5);
    vec4 panel = texture(tex0, uv);
    float grain = texture(tex1, uv * 0.7 + iGlobalTime * 0.01).g;

    vec3 hue = 0.5 + 0.5 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + radius * 0.4 - iGlobalTime * 0.1));
    vec3 colour = panel.rgb * vec3(0.55, 0.6, 0.75) * (0.4 + 0.6 * grain);
    colour += panel.a * hue * (1.0 + 2.2 * pulse);
    colour *= smoothstep(0.0, 0.25, radius) * 0.8 + 0.2;
    colour += vec3(1.0, 0.85, 0.7) * exp(-radius * 6.0) * (0.6 + pulse);

    fragColor = vec4(colour, 1.0);
}
