// What a pass's shader texts say about its depth buffer and its clear: the
// player's own quad placements need neither, anything it cannot be sure of
// keeps both.
#include <gtest/gtest.h>

#include <string>

#include "render/PassDrawing.h"
#include "render/ShaderConvention.h"

namespace {

constexpr const char* kPlainFragment = "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n";

std::string vertexWith(const std::string& body)
{
    return "#version 330\nin vec3 s_vPosition;\nuniform mat4 transform;\nuniform vec3 obj_position;\nvoid main()\n{\n" +
           body + "\n}\n";
}

PassDrawing drawingOf(const std::string& vertex, const std::string& fragment = kPlainFragment)
{
    return render::passDrawing(render::passSourceFacts(vertex, fragment), false, false);
}

} // namespace

TEST(PassDrawing, ThePlayersQuadPlacementsNeedNeitherDepthNorClear)
{
    const char* const placements[] = {
        "gl_Position = transform * vec4(s_vPosition, 1.0);",
        "gl_Position=transform*vec4( s_vPosition + obj_position , 1 ) ;",
        "// the quad\n  gl_Position = transform * /* camera */ vec4(s_vPosition + obj_position, 1.);",
    };
    for (const char* placement : placements) {
        const PassDrawing drawing = drawingOf(vertexWith(placement));
        EXPECT_FALSE(drawing.depth) << placement;
        EXPECT_FALSE(drawing.clear) << placement;
    }
    const PassDrawing convention = drawingOf(render::kConventionVertexSource);
    EXPECT_FALSE(convention.depth) << "reading gl_Position after placing it changes nothing";
    EXPECT_FALSE(convention.clear);
}

TEST(PassDrawing, AnyOtherPlacementKeepsDepthAndClear)
{
    const char* const placements[] = {
        "gl_Position = vec4(s_vPosition.xy, 1.0, 1.0);",                                   // on the far plane
        "gl_Position = transform * vec4(s_vPosition * 0.5, 1.0);",                         // a smaller quad
        "gl_Position = transform * vec4(s_vPosition, 1.0);\n gl_Position.z = 1.0;",        // moved after
        "gl_Position = transform * vec4(s_vPosition, 1.0);\n gl_Position.xy *= 0.5;",      // shrunk after
        "gl_Position = transform * vec4(s_vPosition, 1.0);\n gl_Position = vec4(0.0);",    // placed twice
        "// gl_Position = transform * vec4(s_vPosition, 1.0);\n gl_Position = vec4(0.0);", // the player's in a comment
    };
    for (const char* placement : placements) {
        const PassDrawing drawing = drawingOf(vertexWith(placement));
        EXPECT_TRUE(drawing.depth) << placement;
        EXPECT_TRUE(drawing.clear) << placement;
    }
}

TEST(PassDrawing, FragmentShadersThatWriteDepthOrDiscardKeepWhatTheyNeed)
{
    const std::string vertex = vertexWith("gl_Position = transform * vec4(s_vPosition, 1.0);");
    const PassDrawing depth = drawingOf(
        vertex, "#version 330\nout vec4 c;\nvoid main() { c = vec4(1.0); gl_FragDepth = 1.0; }\n");
    EXPECT_TRUE(depth.depth);
    EXPECT_TRUE(depth.clear) << "a depth test may leave pixels undrawn";

    const PassDrawing discards = drawingOf(
        vertex, "#version 330\nout vec4 c;\nvoid main() { if (c.x > 0.5) discard; c = vec4(1.0); }\n");
    EXPECT_FALSE(discards.depth);
    EXPECT_TRUE(discards.clear) << "a discarded pixel would show the last frame's";

    const PassDrawing commented = drawingOf(
        vertex,
        "#version 330\n// no discard, no gl_FragDepth here\nout vec4 c; /* discard */\nvoid main() { c = "
        "vec4(1.0); }\n");
    EXPECT_FALSE(commented.depth) << "comments do not count";
    EXPECT_FALSE(commented.clear);

    const PassDrawing named = drawingOf(vertex,
                                        "#version 330\nout vec4 c;\nfloat discarded;\nvoid main() { c = "
                                        "vec4(discarded); }\n");
    EXPECT_FALSE(named.clear) << "a name that only contains the word is not the word";
}

TEST(PassDrawing, AskingForDepthAndFeedbackTargetsKeepTheirs)
{
    const PassSourceFacts plain = render::passSourceFacts(
        vertexWith("gl_Position = transform * vec4(s_vPosition, 1.0);"), kPlainFragment);
    const PassDrawing asked = render::passDrawing(plain, true, false);
    EXPECT_TRUE(asked.depth);
    EXPECT_TRUE(asked.clear);
    const PassDrawing feedback = render::passDrawing(plain, false, true);
    EXPECT_FALSE(feedback.depth);
    EXPECT_TRUE(feedback.clear);
    const PassDrawing unread = render::passDrawing(PassSourceFacts(), false, false);
    EXPECT_TRUE(unread.depth) << "a program whose texts were not read keeps both";
    EXPECT_TRUE(unread.clear);
}
