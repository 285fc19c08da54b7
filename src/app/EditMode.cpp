// Edit mode: the track editor's panel beside the picture, its keys and
// mouse, and its files. Main thread, GL context current.
#include "app/EditMode.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <imgui.h>
#include <backends/imgui_impl_glut.h>
#include <backends/imgui_impl_opengl3.h>

#include "app/AppState.h"
#include "demo/DemoFiles.h"
#include "platform/gl_context.h"
#include "platform/warning.h"
#include "sync/device.h"

namespace {

constexpr unsigned char kCtrlC = 3, kCtrlV = 22, kCtrlX = 24, kCtrlZ = 26;
constexpr unsigned char kBackspace = 8, kEnter = 13, kEscape = 27, kDelete = 127;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double musicRow()
{
    const MusicStream& music = appState.musicStream;
    return music.bytesToSeconds(music.positionBytes()) * appState.demo.timing.rowsPerSecond;
}

// The beat in rows: the demo's rows per beat with a tempo, else 8.
double rowsPerBeat()
{
    const DemoTiming& timing = appState.demo.timing;
    return timing.rowsPerBeat > 0.0 ? timing.rowsPerBeat : 8.0;
}

// Track names are file names and uniform names: letters, digits and '_'.
bool isTrackName(const std::string& name)
{
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

bool imguiTakesText()
{
    return ImGui::GetCurrentContext() != nullptr && ImGui::GetIO().WantTextInput;
}

} // namespace

EditMode::~EditMode()
{
    if (!started_)
        return;
    releaseGl();
    ImGui_ImplGLUT_Shutdown();
    ImGui::DestroyContext();
}

void EditMode::releaseGl()
{
    // Without a context (the window gone) the driver took the objects along.
    if (!glReleased_ && platform_gl_context_current()) {
        ImGui_ImplOpenGL3_Shutdown();
        picture_ = PictureTarget();
    }
    glReleased_ = true;
}

void EditMode::start()
{
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // nothing written beside the demo
    ImGui::StyleColorsDark();
    // An opaque panel: the window under it need not be cleared.
    ImGui::GetStyle().Colors[ImGuiCol_WindowBg].w = 1.0f;
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL3_Init("#version 140");
    started_ = true;
    glutKeyboardUpFunc(app::onEditorKeyUp);
    glutSpecialUpFunc(app::onEditorSpecialUp);
    glutMouseFunc(app::onEditorMouse);
    glutMotionFunc(app::onEditorMotion);
    glutPassiveMotionFunc(app::onEditorMotion);
    glutMouseWheelFunc(app::onEditorWheel);
    // The toolkit calls it with the window's context current, whatever ends the run.
    glutCloseFunc(app::onEditorWindowClosed);
    addColumns();
    editor_.setCursor(0, 0, false);
}

void EditMode::toggle()
{
    shown_ = !shown_;
}

void EditMode::addColumns()
{
    const auto& tracks = appState.syncDevice->data.tracks;
    for (; knownTracks_ < tracks.size(); ++knownTracks_) {
        SyncTrack* track = tracks[knownTracks_].get();
        const size_t column = editor_.addTrack(track->name, track);
        files_.load(editor_, column);
        warnReadOnly(column);
    }
}

void EditMode::warnReadOnly(size_t column)
{
    const EditorTrack& track = editor_.column(column);
    const std::string& error = track.readOnlyError;
    std::string& warned = warned_[track.name];
    if (error == warned)
        return;
    warned = error;
    if (error.empty())
        return;
    std::cout.flush();
    std::fprintf(stderr, "%s; the track editor shows it read-only until it is fixed\n", error.c_str());
}

void EditMode::addNamedTrack(const std::string& name)
{
    if (!isTrackName(name)) {
        panel_.setNotice("\"" + name + "\": a track name has letters, digits and _ only");
        return;
    }
    const long long existing = editor_.findColumn(name);
    if (existing < 0) {
        sync_obtain_track(appState.syncDevice.get(), name.c_str());
        addColumns();
        if (appState.live)
            appState.live->watchFiles();
    }
    std::string readers;
    for (const DemoShader& shader : appState.demo.shaders) {
        const std::vector<std::string>& names = shader.getParameterNames();
        if (std::find(names.begin(), names.end(), name) != names.end() &&
            readers.find(shader.getFragmentPath()) == std::string::npos)
            readers += (readers.empty() ? "" : ", ") + shader.getFragmentPath();
    }
    const bool player = name == demo::kSceneTrack || name == demo::kFftSamplingTrack || name == demo::kFstrTrack;
    panel_.setNotice(name + (player            ? ": read by the player itself"
                             : readers.empty() ? ": no shader declares it in demo.json"
                                               : ": a parameter of " + readers));
    editor_.setCursor(editor_.cursorRow(), editor_.findColumn(name), false);
}

void EditMode::beginFrame()
{
    addColumns();
    editor_.setLastRow(static_cast<int32_t>(std::min(appState.demo.timing.endRow, 2147483647.0)));
    strip_.start(appState.demo.timing.tuneFile, appState.demo.timing.rowsPerSecond);
    const std::string added = panel_.takeNewTrack();
    if (!added.empty())
        addNamedTrack(added);
    // Playing, the cursor follows the music; paused, the music the cursor.
    if (appState.musicStream.isPlaying())
        editor_.followRow(static_cast<int64_t>(std::floor(musicRow())));
    files_.save(editor_, steadySeconds(), false);
}

void EditMode::seekToCursor()
{
    MusicStream& music = appState.musicStream;
    if (!music.hasMusic() || !(appState.demo.timing.rowsPerSecond > 0.0))
        return;
    // The first frame of the row, rounded up, so the row read back is this one.
    const double frames = std::ceil(editor_.cursorRow() / appState.demo.timing.rowsPerSecond * music.sampleRate());
    music.seekBytes(static_cast<uint64_t>(frames) * static_cast<uint64_t>(music.channels()) * 2u);
}

void EditMode::placePicture(FramePicture& picture)
{
    const int width = picture.width;
    const int height = picture.height;
    if (!shown_ || glReleased_ || width <= 0 || height <= 0)
        return;
    // The panel as it was last drawn (at first 45 % of the window).
    const int left = std::clamp(static_cast<int>(panelWidth_ > 0.0f ? panelWidth_ : width * 0.45f), 0, width - 1);
    const int space = width - left;
    FrameView& view = picture.view;
    view.framebuffer = 0;
    view.width = space;
    view.height = static_cast<int>(static_cast<double>(space) * height / width);
    if (view.height > height) {
        view.height = height;
        view.width = static_cast<int>(static_cast<double>(height) * width / height);
    }
    view.x = left + (space - view.width) / 2;
    view.y = (height - view.height) / 2;
    picture.through = &picture_;

    // Only the margins around the picture are cleared; the panel covers the rest.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0.08f, 0.08f, 0.1f, 1.0f);
    glEnable(GL_SCISSOR_TEST);
    const int margins[4][4] = {{left, 0, space, view.y},
                               {left, view.y + view.height, space, height - view.y - view.height},
                               {left, view.y, view.x - left, view.height},
                               {view.x + view.width, view.y, width - view.x - view.width, view.height}};
    for (const auto& margin : margins) {
        if (margin[2] <= 0 || margin[3] <= 0)
            continue;
        glScissor(margin[0], margin[1], margin[2], margin[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void EditMode::drawPanel(int width, int height)
{
    if (!shown_ || glReleased_ || width <= 0 || height <= 0)
        return;
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplGLUT_NewFrame();
    const int32_t rowBefore = editor_.cursorRow();
    EditorView view;
    view.playRow = musicRow();
    view.rowsPerBeat = rowsPerBeat();
    view.sceneTrack = appState.sceneTrack;
    panelWidth_ = panel_.draw(editor_, strip_, view, static_cast<float>(height));
    if (editor_.cursorRow() != rowBefore)
        seekToCursor();
    ImGui::Render();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

bool EditMode::onKey(unsigned char key)
{
    if (!shown_)
        return false;
    ImGui_ImplGLUT_KeyboardFunc(key, 0, 0);
    if (imguiTakesText())
        return true; // a field is being typed into
    const int modifiers = glutGetModifiers();
    const bool shift = (modifiers & GLUT_ACTIVE_SHIFT) != 0;
    const bool ctrl = (modifiers & GLUT_ACTIVE_CTRL) != 0;
    const int32_t rowBefore = editor_.cursorRow();
    bool used = true;
    switch (key) {
    case kCtrlZ:
        shift ? editor_.redo() : editor_.undo();
        break;
    case kCtrlC:
        editor_.copy();
        break;
    case kCtrlX:
        editor_.cut();
        break;
    case kCtrlV:
        editor_.paste();
        break;
    case kEnter:
        used = editor_.isTyping();
        editor_.enterTyped();
        break;
    case kBackspace:
        used = editor_.eraseTyped();
        break;
    case kEscape:
        used = editor_.isTyping();
        editor_.cancelTyping();
        break;
    case kDelete:
        if (editor_.isTyping())
            editor_.cancelTyping();
        else if (ctrl)
            editor_.deleteRow();
        else
            editor_.deleteKey();
        break;
    case 'i':
        used = !editor_.isTyping();
        if (used)
            editor_.cycleInterpolation();
        break;
    default:
        used = !ctrl && editor_.typeCharacter(static_cast<char>(key));
        break;
    }
    if (editor_.cursorRow() != rowBefore)
        seekToCursor();
    return used;
}

bool EditMode::onSpecialKey(int key)
{
    if (!shown_)
        return false;
    ImGui_ImplGLUT_SpecialFunc(key, 0, 0);
    if (imguiTakesText())
        return true;
    const bool shift = (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0;
    const bool ctrl = (glutGetModifiers() & GLUT_ACTIVE_CTRL) != 0;
    const int64_t bar = static_cast<int64_t>(std::lround(rowsPerBeat() * 4.0));
    const int32_t rowBefore = editor_.cursorRow();
    switch (key) {
    case GLUT_KEY_UP:
        editor_.moveCursor(-1, 0, shift);
        break;
    case GLUT_KEY_DOWN:
        editor_.moveCursor(1, 0, shift);
        break;
    case GLUT_KEY_PAGE_UP:
        editor_.moveCursor(-bar, 0, shift);
        break;
    case GLUT_KEY_PAGE_DOWN:
        editor_.moveCursor(bar, 0, shift);
        break;
    case GLUT_KEY_LEFT:
        editor_.moveCursor(0, -1, shift);
        break;
    case GLUT_KEY_RIGHT:
        editor_.moveCursor(0, 1, shift);
        break;
    case GLUT_KEY_HOME:
        editor_.setCursor(0, static_cast<long long>(editor_.cursorColumn()), shift);
        break;
    case GLUT_KEY_END:
        editor_.setCursor(editor_.lastRow(), static_cast<long long>(editor_.cursorColumn()), shift);
        break;
    case GLUT_KEY_INSERT:
        editor_.insertRow();
        break;
    case GLUT_KEY_DELETE:
        ctrl ? editor_.deleteRow() : editor_.deleteKey();
        break;
    default:
        return false;
    }
    if (editor_.cursorRow() != rowBefore)
        seekToCursor();
    return true;
}

bool EditMode::onTrackFileChanged(const std::string& path)
{
    for (size_t c = 0; c < editor_.columnCount(); ++c) {
        const std::string& name = editor_.column(c).name;
        if (path == EditorFiles::textPath(name)) {
            if (files_.reload(editor_, c)) {
                warnReadOnly(c);
                if (editor_.column(c).readOnlyError.empty() && appState.live)
                    appState.live->trackReloaded(path);
            }
            return true;
        }
        // The editor writes its tracks' binaries itself.
        if (path == EditorFiles::trackPath(name))
            return true;
    }
    return false;
}

bool EditMode::ownsTrack(const std::string& name) const
{
    return editor_.findColumn(name) >= 0;
}

bool EditMode::finish()
{
    return files_.save(editor_, steadySeconds(), true);
}

// With the panel hidden the picture fills the window, and the mouse is the shaders' (live mode's).
void app::onEditorMouse(int button, int state, int x, int y)
{
    if (appState.edit && appState.edit->shown())
        ImGui_ImplGLUT_MouseFunc(button, state, x, y);
    else
        onLiveMouseButton(button, state, x, y);
}

void app::onEditorMotion(int x, int y)
{
    if (appState.edit && appState.edit->shown())
        ImGui_ImplGLUT_MotionFunc(x, y);
    else
        onLiveMouseMotion(x, y);
}

void app::onEditorWheel(int wheel, int direction, int x, int y)
{
    if (appState.edit && appState.edit->shown())
        ImGui_ImplGLUT_MouseWheelFunc(wheel, direction, x, y);
}

void app::onEditorWindowClosed()
{
    if (appState.edit)
        appState.edit->releaseGl();
}

void app::onEditorKeyUp(unsigned char key, int x, int y)
{
    if (appState.edit)
        ImGui_ImplGLUT_KeyboardUpFunc(key, x, y);
}

void app::onEditorSpecialUp(int key, int x, int y)
{
    if (appState.edit)
        ImGui_ImplGLUT_SpecialUpFunc(key, x, y);
}

void app::toggleEditor()
{
    if (!appState.edit) {
        appState.edit = std::make_unique<EditMode>();
        appState.edit->start();
        return;
    }
    appState.edit->toggle();
}
