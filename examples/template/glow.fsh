#version 330 core
// Pass 1, the last: reads pass 0's picture (iChannel0), adds a soft glow and a
// vignette, and flashes white with the track "fstr_val". Pass outputs use
// nearest filtering, so the blur samples whole pixels. The demo has no final
// pass ("final_pass": "none"), so this pass draws straight into the window.

uniform vec2 iResolution;
uniform sampler2D iChannel0;   // the output of pass 0 in this frame
uniform float fstr_val;        // flash strength, 0..1 (a parameter track)

out vec4 fragColor;

void main()
{
    ivec2 p = ivec2(gl_FragCoord.xy);
    vec3 sum = vec3(0.0);
    for (int y = -2; y <= 2; ++y)
        for (int x = -2; x <= 2; ++x)
            sum += texelFetch(iChannel0, clamp(p + ivec2(x, y) * 3, ivec2(0), ivec2(iResolution) - 1), 0).rgb;
    vec3 picture = texelFetch(iChannel0, p, 0).rgb;
    vec2 uv = gl_FragCoord.xy / iResolution - 0.5;
    float vignette = 1.0 - dot(uv, uv) * 1.2;
    vec3 glowing = (picture + 0.3 * sum / 25.0) * vignette;
    fragColor = vec4(mix(glowing, vec3(1.0), clamp(fstr_val, 0.0, 1.0)), 1.0);
}
