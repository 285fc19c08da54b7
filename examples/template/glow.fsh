#version 330 core
// Pass 1: reads pass 0's picture (iChannel0) and adds a soft glow and a
// vignette. Pass outputs use nearest filtering, so the blur samples whole pixels.

uniform vec2 iResolution;
uniform sampler2D iChannel0;   // the output of pass 0 in this frame

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
    fragColor = vec4((picture + 0.3 * sum / 25.0) * vignette, 1.0);
}
