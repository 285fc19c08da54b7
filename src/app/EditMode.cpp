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
#include "editor/DrawSignature.h"
#include "editor/EditorActions.h"
#include "app/ToolkitCallbacks.h"
#include "demo/DemoFiles.h"
#include "platform/gl_context.h"
#include "platform/warning.h"
#include "sync/device.h"

namespace {

constexpr unsigned char kTab = 9, kEscape = 27;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double musicRow(const AppState& run)
{
    const MusicStream& music = run.musicStream;
    return music.bytesToSeconds(music.positionBytes()) * run.demo.timing.rowsPerSecond;
}

// The beat in rows: the demo's rows per beat with a tempo, else 8.
double rowsPerBeat(const AppState& run)
{
    const DemoTiming& timing = run.demo.timing;
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
        panelPicture_ = PictureTarget();
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
    // The toolkit calls its close callback with the window's context
    // current, whatever ends the run.
    app::attachEditorCallbacks();
    addColumns();
    editor_.setCursor(0, 0, false);
    openLiveInputs();
}

void EditMode::openLiveInputs()
{
    // What cannot be had is said once, in one line; recording goes on with the rest.
    std::string midiProblem;
    std::string oscProblem;
    const bool midi = midi_.open("demoplayer", midiProblem);
    const bool osc = osc_.open(kOscPort, oscProblem);
    if (!midi && !osc)
        platform_warn("recording", "MIDI: " + midiProblem + "; OSC: " + oscProblem + "; the keyboard records");
    else if (!midi)
        platform_warn("MIDI", midiProblem + "; recording takes OSC and the keyboard");
    else if (!osc)
        platform_warn("OSC", oscProblem + "; recording takes MIDI and the keyboard");
}

void EditMode::recordLiveInput()
{
    midi_.poll(controls_);
    for (const MidiControl& control : controls_) {
        const std::string learning = recorder_.learning();
        recorder_.control(control.channel, control.controller, control.value);
        if (!learning.empty())
            status_ = learning + " learnt MIDI " + recorder_.controllerOf(learning);
    }
    osc_.poll(oscValues_);
    for (const OscValue& value : oscValues_)
        recorder_.value(value.track, value.value);
    if (recorder_.frame(editor_, editor_.cursorRow(), run_.musicStream.isPlaying()))
        status_ = editor_.lastDone();
}

void EditMode::toggle()
{
    shown_ = !shown_;
}

void EditMode::addColumns()
{
    const auto& tracks = run_.syncDevice->data.tracks;
    for (; knownTracks_ < tracks.size(); ++knownTracks_) {
        SyncTrack* track = tracks[knownTracks_].get();
        const size_t column = editor_.addTrack(track->name, track);
        files_.load(editor_, column);
        // Live mode has said what is wrong with a text track it loaded.
        warned_[track->name] = editor_.column(column).readOnlyError;
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
        sync_obtain_track(run_.syncDevice.get(), name.c_str());
        addColumns();
        if (run_.live)
            run_.live->watchFiles();
    }
    std::string readers;
    for (const DemoShader& shader : run_.demo.shaders) {
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
    // Rows after the demo's end stay reachable up to the last key of any track.
    const int64_t endRow = static_cast<int64_t>(std::min(run_.demo.timing.endRow, 2147483647.0));
    editor_.setLastRow(static_cast<int32_t>(std::max(endRow, editor_.lastKeyRow())));
    strip_.start(run_.demo.timing.tuneFile, run_.demo.timing.rowsPerSecond);
    const std::string added = panel_.takeNewTrack();
    if (!added.empty())
        addNamedTrack(added);
    // One current row: the cursor follows the music wherever it moves
    // (playing, or a seek while paused), and a cursor move seeks the music
    // (seekToCursor), which is then read back here as the same row. Where
    // the music cannot follow (after the tune's end) the cursor stays.
    const int64_t heard = static_cast<int64_t>(std::floor(musicRow(run_)));
    if (heard != heardRow_ || run_.musicStream.isPlaying())
        editor_.followRow(heard);
    heardRow_ = heard;
    recordLiveInput();
    files_.save(editor_, steadySeconds(), false);
}

void EditMode::seekToCursor()
{
    MusicStream& music = run_.musicStream;
    if (!music.hasMusic() || !(run_.demo.timing.rowsPerSecond > 0.0))
        return;
    // The first frame of the row, rounded up, so the row read back is this one.
    const double frames = std::ceil(editor_.cursorRow() / run_.demo.timing.rowsPerSecond * music.sampleRate());
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
    feedImGui();
    ImGui_ImplGLUT_NewFrame();
    const int32_t rowBefore = editor_.cursorRow();
    EditorView view;
    view.playRow = musicRow(run_);
    view.endRow = run_.demo.timing.endRow;
    view.grid = grid();
    view.sceneTrack = run_.sceneTrack;
    view.status = status_;
    view.askingToQuit = quit_.asking(steadySeconds());
    view.recorder = &recorder_;
    panelWidth_ = panel_.draw(editor_, strip_, view, static_cast<float>(height));
    if (editor_.cursorRow() != rowBefore)
        seekToCursor();
    ImGui::Render();
    ImDrawData& data = *ImGui::GetDrawData();
    // Rasterised again only when something on it changed; otherwise the
    // picture of it kept from then is copied. A tooltip reaching over the
    // picture is drawn straight into the window (the copy would cover the
    // picture with the rest of its rectangle).
    const float right = editor::drawRight(data);
    if (right > panelWidth_ + 0.5f) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        ImGui_ImplOpenGL3_RenderDrawData(&data);
        panelSignature_ = 0;
        return;
    }
    const uint64_t signature = editor::drawSignature(data) ^ (static_cast<uint64_t>(width) << 40) ^
                               (static_cast<uint64_t>(height) << 20);
    if (signature != panelSignature_) {
        panelPicture_.bind(width, height);
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        ImGui_ImplOpenGL3_RenderDrawData(&data);
        panelSignature_ = signature;
    }
    panelPicture_.copyRegionTo(0, 0, 0, std::min(width, static_cast<int>(std::ceil(panelWidth_))), height);
    glViewport(0, 0, width, height);
}

int EditMode::modifiers()
{
    const int held = glutGetModifiers();
    return ((held & GLUT_ACTIVE_SHIFT) != 0 ? EDITOR_SHIFT : 0) | ((held & GLUT_ACTIVE_CTRL) != 0 ? EDITOR_CTRL : 0) |
           ((held & GLUT_ACTIVE_ALT) != 0 ? EDITOR_ALT : 0);
}

bool EditMode::onKey(unsigned char key)
{
    if (!shown_)
        return false;
    // Tab is live mode's (the heads-up display), never a move of the panel's focus.
    if (key == kTab)
        return false;
    const bool inField = imguiTakesText();
    queue({InputEvent::Key, key, 0, 0, 0, modifiers()});
    if (key == kEscape)
        return onEscape(inField);
    if (imguiTakesText())
        return true; // a field is being typed into
    return onEditorKey(key, false, modifiers());
}

bool EditMode::onEscape(bool inField)
{
    const double now = steadySeconds();
    std::string status;
    if (inField) {
        status = "field left"; // Dear ImGui leaves the field at this Esc
    } else {
        const EditorActionResult result = runEditorAction(EditorAction::Cancel, false, editor_, grid());
        if (result.done)
            status = result.status;
        else if (panel_.cancelDrag(editor_))
            status = "drag cancelled";
        else if (panel_.helpShown())
            panel_.toggleHelp();
        else if (quit_.press(now))
            return false; // the second Esc: the player quits
    }
    if (!status.empty()) {
        quit_.withdraw();
        status_ = status;
    }
    return true;
}

bool EditMode::onEditorKey(int key, bool special, int held)
{
    quit_.withdraw();
    const int32_t rowBefore = editor_.cursorRow();
    // Recording, the digits tap their value into the armed columns.
    if (!special && key >= '0' && key <= '9' && recorder_.anyArmed() && run_.musicStream.isPlaying() &&
        !editor_.isTyping()) {
        recorder_.tap(static_cast<float>(key - '0'));
        return true;
    }
    // Within a typed number '.' and 'e' are part of it.
    bool used = !special && editor_.isTyping() && (held & (EDITOR_CTRL | EDITOR_ALT)) == 0 &&
                editor_.typeCharacter(static_cast<char>(key));
    if (!used) {
        const EditorKeyBinding* binding = findEditorKey(key, special, held);
        if (binding != nullptr) {
            used = runAction(binding->action, (held & EDITOR_SHIFT) != 0);
        } else if (!special && (held & (EDITOR_CTRL | EDITOR_ALT)) == 0) {
            used = editor_.typeCharacter(static_cast<char>(key));
        }
    }
    if (editor_.cursorRow() != rowBefore)
        seekToCursor();
    return used;
}

bool EditMode::runAction(EditorAction action, bool shift)
{
    const EditorActionResult result = runEditorAction(action, shift, editor_, grid());
    if (result.done) {
        if (!result.status.empty())
            status_ = result.status;
        return true;
    }
    switch (action) {
    case EditorAction::Save:
        status_ = files_.save(editor_, steadySeconds(), true) ? "every track written" : "not saved: see the red lines";
        return true;
    case EditorAction::Help:
        panel_.toggleHelp();
        return true;
    case EditorAction::FrameCurves:
        panel_.frameCurves(editor_);
        return true;
    case EditorAction::HideColumn:
        if (editor_.columnCount() > 0) {
            const std::string& name = editor_.column(editor_.cursorColumn()).name;
            panel_.hideColumn(name);
            status_ = name + " hidden once the cursor leaves it (Shift+H shows it again)";
        }
        return true;
    case EditorAction::ShowColumns:
        panel_.showColumns();
        status_ = "every column shown";
        return true;
    case EditorAction::Arm:
        if (editor_.columnCount() > 0) {
            const std::string& name = editor_.column(editor_.cursorColumn()).name;
            status_ = recorder_.toggleArm(name) ? name + " armed: play to record (OSC /track/" + name +
                                                      ", its MIDI controller, or the digits)"
                                                : name + " disarmed";
        }
        return true;
    case EditorAction::Learn:
        if (editor_.columnCount() > 0) {
            const std::string& name = editor_.column(editor_.cursorColumn()).name;
            recorder_.learn(name);
            status_ = name + ": move a MIDI controller to map it";
        }
        return true;
    default:
        return false; // Enter or Backspace without typing: live mode's
    }
}

BeatGrid EditMode::grid() const
{
    BeatGrid grid;
    grid.rowsPerBeat = rowsPerBeat(run_);
    return grid;
}

bool EditMode::onSpecialKey(int key)
{
    if (!shown_)
        return false;
    queue({InputEvent::Special, key, 0, 0, 0, modifiers()});
    if (imguiTakesText())
        return true;
    int editorKey = 0;
    switch (key) {
    case GLUT_KEY_UP:
        editorKey = EDITOR_KEY_UP;
        break;
    case GLUT_KEY_DOWN:
        editorKey = EDITOR_KEY_DOWN;
        break;
    case GLUT_KEY_LEFT:
        editorKey = EDITOR_KEY_LEFT;
        break;
    case GLUT_KEY_RIGHT:
        editorKey = EDITOR_KEY_RIGHT;
        break;
    case GLUT_KEY_PAGE_UP:
        editorKey = EDITOR_KEY_PAGE_UP;
        break;
    case GLUT_KEY_PAGE_DOWN:
        editorKey = EDITOR_KEY_PAGE_DOWN;
        break;
    case GLUT_KEY_HOME:
        editorKey = EDITOR_KEY_HOME;
        break;
    case GLUT_KEY_END:
        editorKey = EDITOR_KEY_END;
        break;
    case GLUT_KEY_INSERT:
        editorKey = EDITOR_KEY_INSERT;
        break;
    case GLUT_KEY_DELETE:
        editorKey = EDITOR_KEY_DELETE;
        break;
    case GLUT_KEY_F1:
        editorKey = EDITOR_KEY_F1;
        break;
    default:
        return false;
    }
    return onEditorKey(editorKey, true, modifiers());
}

bool EditMode::onTrackFileChanged(const std::string& path)
{
    for (size_t c = 0; c < editor_.columnCount(); ++c) {
        const std::string& name = editor_.column(c).name;
        if (path == EditorFiles::textPath(name)) {
            if (files_.reload(editor_, c)) {
                warnReadOnly(c);
                if (editor_.column(c).readOnlyError.empty() && run_.live)
                    run_.live->trackReloaded(path);
            }
            return true;
        }
        // The editor writes its tracks' binaries itself, except for a track
        // without a text track, whose binary is its source.
        if (path == EditorFiles::trackPath(name)) {
            if (files_.reloadBinary(editor_, c, run_.console) && run_.live)
                run_.live->trackReloaded(path);
            return true;
        }
    }
    return false;
}

bool EditMode::ownsTrack(const std::string& name) const
{
    return editor_.findColumn(name) >= 0;
}

void EditMode::feedImGui()
{
    ImGuiIO& io = ImGui::GetIO();
    // What the toolkit's backend would do at each event, with the modifiers
    // recorded then (the toolkit reports them only inside its callbacks).
    const auto setKey = [&](int c, bool down) {
        if (c >= 1 && c <= 26)
            io.KeysDown[c] = io.KeysDown[c - 1 + 'a'] = io.KeysDown[c - 1 + 'A'] = down;
        else if (c >= 'a' && c <= 'z')
            io.KeysDown[c] = io.KeysDown[c - 'a' + 'A'] = down;
        else if (c >= 'A' && c <= 'Z')
            io.KeysDown[c] = io.KeysDown[c - 'A' + 'a'] = down;
        else if (c >= 0 && c < 256)
            io.KeysDown[c] = down;
    };
    for (const InputEvent& event : input_.takeFrame()) {
        if (event.kind != InputEvent::MouseMove) {
            io.KeyCtrl = (event.modifiers & EDITOR_CTRL) != 0;
            io.KeyShift = (event.modifiers & EDITOR_SHIFT) != 0;
            io.KeyAlt = (event.modifiers & EDITOR_ALT) != 0;
        }
        switch (event.kind) {
        case InputEvent::MouseButton:
            ImGui_ImplGLUT_MouseFunc(event.code, event.state, event.x, event.y);
            break;
        case InputEvent::MouseMove:
            ImGui_ImplGLUT_MotionFunc(event.x, event.y);
            break;
        case InputEvent::Wheel:
            ImGui_ImplGLUT_MouseWheelFunc(event.code, event.state, event.x, event.y);
            break;
        case InputEvent::Key:
            if (event.code >= 32)
                io.AddInputCharacter(static_cast<unsigned int>(event.code));
            setKey(event.code, true);
            break;
        case InputEvent::KeyUp:
            setKey(event.code, false);
            break;
        case InputEvent::Special:
        case InputEvent::SpecialUp:
            if (event.code + 256 < IM_ARRAYSIZE(io.KeysDown))
                io.KeysDown[event.code + 256] = event.kind == InputEvent::Special;
            break;
        }
    }
}

bool EditMode::finish()
{
    return files_.save(editor_, steadySeconds(), true);
}

// With the panel hidden the picture fills the window, and the mouse is the shaders' (live mode's).
void app::onEditorMouse(AppState& run, int button, int state, int x, int y)
{
    if (run.edit && run.edit->shown())
        run.edit->queue({InputEvent::MouseButton, button, state, x, y, EditMode::modifiers()});
    else
        onLiveMouseButton(run, button, state, x, y);
}

void app::onEditorMotion(AppState& run, int x, int y)
{
    if (run.edit && run.edit->shown())
        run.edit->queue({InputEvent::MouseMove, 0, 0, x, y, 0});
    else
        onLiveMouseMotion(run, x, y);
}

void app::onEditorWheel(AppState& run, int wheel, int direction, int x, int y)
{
    if (run.edit && run.edit->shown())
        run.edit->queue({InputEvent::Wheel, wheel, direction, x, y, EditMode::modifiers()});
}

void app::onEditorWindowClosed(AppState& run)
{
    if (run.edit)
        run.edit->releaseGl();
}

void app::onEditorKeyUp(AppState& run, unsigned char key, int x, int y)
{
    if (run.edit)
        run.edit->queue({InputEvent::KeyUp, key, 0, x, y, EditMode::modifiers()});
}

void app::onEditorSpecialUp(AppState& run, int key, int x, int y)
{
    if (run.edit)
        run.edit->queue({InputEvent::SpecialUp, key, 0, x, y, EditMode::modifiers()});
}

void app::toggleEditor(AppState& run)
{
    if (!run.edit) {
        run.edit = std::make_unique<EditMode>(run);
        run.edit->start();
        return;
    }
    run.edit->toggle();
}
