#version 330 core
// Scene "tunnel": flying down a tunnel lined with metal panels whose seams,
// rings and vents glow in time with the kick drum.
//   tex0  panel.png   plates; alpha marks what glows
//   tex1  noise.png   grime on the walls
// Parameters (tracks): fade, travel (distance flown), twist (how much the
// walls spiral).

uniform sampler2D tex0;
uniform sampler2D tex1;
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
uniform float fade;
uniform float travel;
uniform float twist;

out vec4 fragColor;

const float kPi = 3.14159265;

void main()
{
    vec2 p = (2.0 * gl_FragCoord.xy - iResolution) / iResolution.y;
    float pulse = 1.0 - exp(-fft * 10.0);

    // The vanishing point sways gently.
    vec2 centre = 0.25 * vec2(sin(iGlobalTime * 0.37), cos(iGlobalTime * 0.29));
    vec2 d = p - centre * (1.0 - length(p) * 0.3);
    float radius = max(length(d), 1e-3);
    float depth = 0.6 / radius;

    // Twelve plates around the tunnel; texture rows run along the tunnel.
    float angle = atan(d.y, d.x) / kPi + twist * depth * 0.08 + iGlobalTime * 0.03;
    vec2 uv = vec2(angle * 3.0, depth * 1.2 + travel * 0.4);
    vec4 panel = texture(tex0, uv);
    float grime = texture(tex1, uv * 0.5).r;

    float fog = exp(-depth * 0.18);
    float light = 0.35 + 0.65 * smoothstep(0.0, 1.0, fog);
    vec3 colour = panel.rgb * (0.55 + 0.45 * grime) * light * fog;

    // The glow runs through the spectrum along the tunnel; rings of light
    // race towards the viewer on every beat.
    vec3 hue = 0.5 + 0.5 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + depth * 0.05 - travel * 0.02));
    float ring = pow(0.5 + 0.5 * cos(6.2832 * (depth * 0.35 + travel * 0.5)), 24.0);
    colour += panel.a * hue * (0.5 + 1.6 * pulse) * (0.3 + 0.7 * fog);
    colour += hue * ring * (0.4 + pulse) * fog;

    // Haze at the far end hides what is too small to draw.
    vec3 haze = vec3(0.55, 0.65, 0.9) * (0.5 + 0.5 * pulse);
    colour = mix(colour, haze, smoothstep(0.15, 0.0, radius) * 0.9);

    fragColor = vec4(colour * fade, 1.0);
}
