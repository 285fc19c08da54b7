// What the compiler gets for a shader file: #include lines replaced, a
// convention's additions, and compiler messages mapped back to the author's
// files and lines. Files come from memory; no GL.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "render/ShaderConvention.h"
#include "render/ShaderSource.h"

namespace {

// Files in memory, as the assembly reads them.
struct MemoryFiles {
    std::map<std::string, std::string> files;

    ShaderSource::FileReader reader()
    {
        return [this](const std::string& path, std::string& text, std::string& problem) {
            const auto found = files.find(path);
            if (found == files.end()) {
                problem = "cannot open: No such file or directory";
                return false;
            }
            text = found->second;
            return true;
        };
    }

    ShaderSource assemble(const std::string& path, const ShaderConvention* convention = nullptr)
    {
        return ShaderSource::assemble(path, files.at(path), convention, reader());
    }
};

// A Mesa-style error at line `line` of the assembled text, mapped back.
std::string errorAt(const ShaderSource& source, int line)
{
    return source.mapLog("0:" + std::to_string(line) + "(5): error: x\n");
}

int lineOf(const ShaderSource& source, const std::string& text)
{
    const std::string& all = source.text();
    const std::size_t at = all.find(text);
    EXPECT_NE(at, std::string::npos) << text;
    return 1 + static_cast<int>(std::count(all.begin(), all.begin() + static_cast<long>(at), '\n'));
}

} // namespace

TEST(ShaderInclude, FilesGoInOnceRelativeToTheirIncluderAndErrorsNameTheirOwnLines)
{
    MemoryFiles memory;
    memory.files["fx/main.fsh"] =
        "#version 330\n#include \"lib/noise.glsl\"\n  # include \"lib/noise.glsl\"\n"
        "/* #include \"nothing.glsl\" */\nvoid main() {}\n";
    memory.files["fx/lib/noise.glsl"] = "// noise\n#include \"../common.glsl\" // shared\nfloat noise();\n";
    memory.files["fx/common.glsl"] = "const float k = 1.0;\n";

    const ShaderSource source = memory.assemble("fx/main.fsh");
    ASSERT_TRUE(source.ok()) << source.error();
    EXPECT_EQ(source.text(),
              "#version 330\n// noise\nconst float k = 1.0;\nfloat noise();\n"
              "/* #include \"nothing.glsl\" */\nvoid main() {}\n");
    EXPECT_EQ(source.files(), (std::vector<std::string>{"fx/main.fsh", "fx/lib/noise.glsl", "fx/common.glsl"}));
    EXPECT_EQ(errorAt(source, 3), "fx/common.glsl:1:5: error: x\n");
    EXPECT_EQ(errorAt(source, 4), "fx/lib/noise.glsl:3:5: error: x\n");
    EXPECT_EQ(errorAt(source, 6), "fx/main.fsh:5:5: error: x\n");
    EXPECT_EQ(source.mapLog("0(2) : error C0000: y\nlinking failed\n"),
              "fx/lib/noise.glsl:1: error C0000: y\n"
              "linking failed\n");
}

TEST(ShaderInclude, CyclesMissingFilesAndBadDirectivesNameTheIncludeLine)
{
    MemoryFiles memory;
    memory.files["a.fsh"] = "void f();\n#include \"b.glsl\"\n";
    memory.files["b.glsl"] = "\n\n#include \"a.fsh\"\n";
    EXPECT_EQ(memory.assemble("a.fsh").error(),
              "b.glsl:3: #include \"a.fsh\" includes a file within itself (a.fsh -> b.glsl -> a.fsh)");

    memory.files["self.fsh"] = "#include \"self.fsh\"\n";
    EXPECT_EQ(memory.assemble("self.fsh").error(),
              "self.fsh:1: #include \"self.fsh\" includes a file within itself (self.fsh -> self.fsh)");

    memory.files["m.fsh"] = "\n#include \"gone.glsl\"\n";
    const ShaderSource missing = memory.assemble("m.fsh");
    EXPECT_EQ(missing.error(),
              "m.fsh:2: cannot include \"gone.glsl\": gone.glsl: cannot open: No such file or directory");
    // Watched, so that it is noticed when it appears.
    EXPECT_EQ(missing.files(), (std::vector<std::string>{"m.fsh", "gone.glsl"}));

    memory.files["bad.fsh"] = "#include <noise.glsl>\n";
    EXPECT_EQ(memory.assemble("bad.fsh").error(),
              "bad.fsh:1: #include needs a file name in double quotes: #include \"file\"");
}

TEST(ShaderConvention, ShaderSiteSourceGetsVersionDeclarationsAndMainAroundItsOwnLines)
{
    MemoryFiles memory;
    memory.files["site.fsh"] =
        "uniform vec3 iResolution; // its own\n#include \"lib.glsl\"\n"
        "void mainImage(out vec4 fragColor, in vec2 fragCoord)\n"
        "{\n    fragColor = vec4(fragCoord / iResolution.xy, iTime, 1.0);\n}\n";
    memory.files["lib.glsl"] = "float helper() { return iTime; }\n";
    const ShaderSource source = memory.assemble("site.fsh", render::findShaderConvention("shadertoy"));
    ASSERT_TRUE(source.ok()) << source.error();
    const std::string& text = source.text();
    EXPECT_EQ(text.rfind("#version 330 core\n", 0), 0u) << text;
    EXPECT_EQ(text.find("uniform vec3 iResolution;\n"), std::string::npos) << "declared twice:\n" << text;
    EXPECT_EQ(text.find("iMouse"), std::string::npos) << "what the source does not use is not declared:\n" << text;
    EXPECT_LT(text.find("uniform float iTime;"), text.find("float helper()"));
    EXPECT_NE(text.find("mainImage(shadertoyFragColor, gl_FragCoord.xy);\n}\n"), std::string::npos) << text;

    // Messages name the author's lines, not the added ones.
    EXPECT_EQ(errorAt(source, lineOf(source, "fragColor = vec4")), "site.fsh:5:5: error: x\n");
    EXPECT_EQ(errorAt(source, lineOf(source, "float helper")), "lib.glsl:1:5: error: x\n");
    EXPECT_EQ(errorAt(source, lineOf(source, "mainImage(shadertoyFragColor")),
              "site.fsh: error: x (in what the \"shadertoy\" convention adds)\n");
}

TEST(ShaderConvention, OwnVersionAndExtensionsStayFirstAndOldWordsAreRenamed)
{
    MemoryFiles memory;
    memory.files["v.fsh"] =
        "// a viewer's shader\n#version 330\n#extension GL_ARB_gpu_shader5 : enable\n"
        "varying vec2 v_texcoord;\nvoid main() { gl_FragColor = texture2D(t, v_texcoord); }\n";
    const ShaderSource source = memory.assemble("v.fsh", render::findShaderConvention("glslviewer"));
    ASSERT_TRUE(source.ok()) << source.error();
    EXPECT_EQ(source.text(),
              "// a viewer's shader\n#version 330\n#extension GL_ARB_gpu_shader5 : enable\n"
              "out vec4 glslviewerFragColor;\n"
              "in vec2 v_texcoord;\nvoid main() { glslviewerFragColor = texture(t, v_texcoord); }\n");
    EXPECT_EQ(errorAt(source, 6), "v.fsh:5:5: error: x\n");
}

TEST(ShaderForGlslEs, VersionBecomesEsAndPrecisionsFollowExtensionsWhileErrorsKeepTheirLines)
{
    MemoryFiles memory;
    memory.files["pass.fsh"] =
        "// a pass\n#version 330 core // desktop\n#extension GL_EXT_foo : enable\n"
        "#include \"lib.glsl\"\nout vec4 colour;\nvoid main() {}\n";
    memory.files["lib.glsl"] = "float lib();\n";
    const ShaderSource es = memory.assemble("pass.fsh").forGlslEs();
    ASSERT_TRUE(es.ok());
    EXPECT_TRUE(es.changesFile());
    const std::string& text = es.text();
    EXPECT_EQ(text.find("#version 330"), std::string::npos);
    // The version line stays where the author put it, after the comment.
    EXPECT_EQ(lineOf(es, "#version 300 es"), 2);
    EXPECT_LT(lineOf(es, "#extension GL_EXT_foo"), lineOf(es, "precision highp float;"));
    EXPECT_LT(lineOf(es, "precision highp sampler3D;"), lineOf(es, "float lib();"));
    EXPECT_EQ(errorAt(es, lineOf(es, "float lib();")), "lib.glsl:1:5: error: x\n");
    EXPECT_EQ(errorAt(es, lineOf(es, "out vec4 colour;")), "pass.fsh:5:5: error: x\n");
    EXPECT_EQ(errorAt(es, lineOf(es, "#version 300 es")), "pass.fsh:2:5: error: x\n");
    // A message about a precision line names the shader's own file.
    EXPECT_EQ(errorAt(es, lineOf(es, "precision highp int;")), "pass.fsh: error: x\n");
}

TEST(ShaderForGlslEs, SourceWithoutVersionOrWithAConventionGetsEsVersionFirst)
{
    MemoryFiles memory;
    memory.files["old.fsh"] = "void main() { gl_FragColor = vec4(1.0); }\n";
    const ShaderSource old = memory.assemble("old.fsh").forGlslEs();
    EXPECT_EQ(old.text().rfind("#version 300 es\nprecision highp float;\n", 0), 0u) << old.text();
    EXPECT_EQ(errorAt(old, lineOf(old, "void main()")), "old.fsh:1:5: error: x\n");

    memory.files["toy.fsh"] = "void mainImage(out vec4 c, in vec2 p) { c = vec4(iTime); }\n";
    const ShaderSource toy = memory.assemble("toy.fsh", render::findShaderConvention("shadertoy")).forGlslEs();
    EXPECT_EQ(toy.text().rfind("#version 300 es\n", 0), 0u) << toy.text();
    EXPECT_EQ(toy.text().find("#version 330"), std::string::npos);
    EXPECT_LT(lineOf(toy, "precision highp float;"), lineOf(toy, "uniform float iTime;"));
}

TEST(ShaderEsSource, VersionLinesOfGlslEsBecomeDesktopOnesOnTheirOwnLine)
{
    int es = 0;
    EXPECT_EQ(render::desktopVersionLine("#version 300 es", es), "#version 330 core");
    EXPECT_EQ(es, 300);
    EXPECT_EQ(render::desktopVersionLine("#  version   100", es), "#version 330 core");
    EXPECT_EQ(es, 100);
    EXPECT_EQ(render::desktopVersionLine("#version 310 es", es), "#version 430 core");
    for (const char* kept : {"#version 330 core", "#version 410", "#versions 100", "#version 1000"}) {
        EXPECT_EQ(render::desktopVersionLine(kept, es), "") << kept;
        EXPECT_EQ(es, 0) << kept;
    }

    MemoryFiles memory;
    memory.files["es3.fsh"] =
        "// from a web page\n#version 300 es\nprecision highp float;\nout vec4 c;\n"
        "void main() { c = vec4(1); bad; }\n";
    const ShaderSource es3 = memory.assemble("es3.fsh");
    EXPECT_EQ(es3.text(),
              "// from a web page\n#version 330 core\nprecision highp float;\nout vec4 c;\n"
              "void main() { c = vec4(1); bad; }\n");
    EXPECT_EQ(errorAt(es3, 5), "es3.fsh:5:5: error: x\n");

    // ES 1.00: old words renamed and gl_FragColor declared, after the version
    // and with every line of the author's still named as written.
    memory.files["es1.fsh"] =
        "#version 100\n#ifdef GL_ES\nprecision mediump float;\n#endif\nvarying vec2 uv;\n"
        "uniform sampler2D t;\nvoid main() { gl_FragColor = texture2D(t, uv); }\n";
    const ShaderSource es1 = memory.assemble("es1.fsh");
    EXPECT_EQ(es1.text(),
              "#version 330 core\nout vec4 esFragColor;\n#ifdef GL_ES\nprecision mediump float;\n#endif\n"
              "in vec2 uv;\nuniform sampler2D t;\nvoid main() { esFragColor = texture(t, uv); }\n");
    EXPECT_EQ(errorAt(es1, lineOf(es1, "void main")), "es1.fsh:7:5: error: x\n");

    // The glslViewer convention keeps its own output name.
    const ShaderSource viewer = memory.assemble("es1.fsh", render::findShaderConvention("glslviewer"));
    EXPECT_NE(viewer.text().find("glslviewerFragColor = texture(t, uv);"), std::string::npos) << viewer.text();
    EXPECT_EQ(viewer.text().find("esFragColor"), std::string::npos) << viewer.text();
}

TEST(ShaderAdditions, DefinesAndTheCommonFileGoBeforeTheSourceAndErrorsNameTheirFiles)
{
    MemoryFiles memory;
    memory.files["buffer.fsh"] = "#version 330\nvoid main() { shared(); }\n";
    memory.files["common.glsl"] = "#include \"lib.glsl\"\nfloat shared() { return k; }\n";
    memory.files["lib.glsl"] = "const float k = 1.0;\n";
    SourceAdditions additions;
    additions.defines = {"BUFFER_0"};
    additions.commonPath = "common.glsl";
    const ShaderSource source = ShaderSource::assemble("buffer.fsh", memory.files["buffer.fsh"], additions,
                                                       memory.reader());
    ASSERT_TRUE(source.ok()) << source.error();
    EXPECT_EQ(source.text(),
              "#version 330\n#define BUFFER_0\nconst float k = 1.0;\nfloat shared() { return k; }\n"
              "void main() { shared(); }\n");
    EXPECT_EQ(source.files(), (std::vector<std::string>{"buffer.fsh", "common.glsl", "lib.glsl"}));
    EXPECT_EQ(errorAt(source, 4), "common.glsl:2:5: error: x\n");
    EXPECT_EQ(errorAt(source, 3), "lib.glsl:1:5: error: x\n");
    EXPECT_EQ(errorAt(source, 5), "buffer.fsh:2:5: error: x\n");

    // A convention's declarations come before the common code that uses them.
    additions.defines.clear();
    memory.files["site.fsh"] = "void mainImage(out vec4 c, in vec2 p) { c = vec4(shared()); }\n";
    memory.files["common.glsl"] = "float shared() { return iTime; }\n";
    additions.convention = render::findShaderConvention("shadertoy");
    const ShaderSource site = ShaderSource::assemble("site.fsh", memory.files["site.fsh"], additions, memory.reader());
    EXPECT_LT(site.text().find("uniform float iTime;"), site.text().find("float shared()")) << site.text();

    additions.commonPath = "gone.glsl";
    EXPECT_EQ(ShaderSource::assemble("site.fsh", memory.files["site.fsh"], additions, memory.reader()).error(),
              "gone.glsl: cannot read the demo's \"common\" source: cannot open: No such file or directory");
}
