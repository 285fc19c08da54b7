#version 330 core
// Scene "horizon", pass 0 of 3: a neon grid racing towards a striped sun
// behind noise-drawn mountains. Bright parts go above 1.0 on purpose: the
// next two passes turn them into bloom.
//   tex0  noise.png   the mountains' outline
// Parameters (tracks): grid_travel (distance flown), sun_rise (height of the
// sun's centre above the horizon).

uniform sampler2D tex0;
uniform vec2 iResolution;
uniform float iGlobalTime;
uniform float fft;
uniform float grid_travel;
uniform float sun_rise;

out vec4 fragColor;

const float kHorizon = -0.05;

// Anti-aliased grid line strength for a coordinate in cells.
float gridLine(float x, float width)
{
    float distanceToLine = abs(fract(x + 0.5) - 0.5);
    float blur = fwidth(x);
    return smoothstep(width + blur, width - blur, distanceToLine);
}

void main()
{
    vec2 p = (2.0 * gl_FragCoord.xy - iResolution) / iResolution.y;
    float pulse = 1.0 - exp(-fft * 10.0);
    vec3 colour;

    if (p.y > kHorizon) {
        float height = p.y - kHorizon;
        colour = mix(vec3(0.9, 0.3, 0.35), vec3(0.08, 0.02, 0.18), smoothstep(0.0, 0.9, height));

        // The sun: a disc with gaps that scroll down, wider near its bottom.
        vec2 sunCentre = vec2(0.0, kHorizon + sun_rise);
        float sunDistance = length(p - sunCentre);
        float sunY = (p.y - sunCentre.y) / 0.5;
        float gap = step(0.55, fract(sunY * 8.0 + iGlobalTime * 0.6)) * smoothstep(0.3, -0.2, sunY);
        float disc = smoothstep(0.5, 0.49, sunDistance) * (1.0 - gap);
        vec3 sun = mix(vec3(1.6, 0.35, 0.55), vec3(1.9, 1.5, 0.4), smoothstep(-0.4, 0.4, sunY));
        colour = mix(colour, sun, disc);
        colour += vec3(1.0, 0.3, 0.5) * 0.25 * exp(-sunDistance * 3.0);

        // Mountains: two ridges from the noise texture.
        float far = kHorizon + 0.18 * texture(tex0, vec2(p.x * 0.12 + 0.3, 0.2)).r;
        float near = kHorizon + 0.22 * texture(tex0, vec2(p.x * 0.2 + 0.7, 0.6)).g - 0.06;
        if (p.y < far) colour = mix(vec3(0.12, 0.03, 0.2), colour, 0.25);
        if (p.y < near) colour = vec3(0.03, 0.01, 0.06) + vec3(0.8, 0.2, 0.9) * smoothstep(0.006, 0.0, near - p.y) * (1.0 + pulse);
    } else {
        // The floor, in perspective: z grows towards the horizon.
        float below = kHorizon - p.y;
        float z = 0.35 / below;
        vec2 ground = vec2(p.x * z, z + grid_travel);
        float lines = max(gridLine(ground.x, 0.03), gridLine(ground.y, 0.03));
        float fog = exp(-z * 0.12);
        vec3 neon = mix(vec3(1.8, 0.3, 1.4), vec3(0.4, 1.2, 2.0), 0.5 + 0.5 * sin(iGlobalTime * 0.4));
        colour = vec3(0.04, 0.0, 0.08) + neon * lines * fog * (0.7 + 1.2 * pulse);
        colour += vec3(0.9, 0.3, 0.5) * 0.35 * (1.0 - fog);
    }

    fragColor = vec4(colour, 1.0);
}
