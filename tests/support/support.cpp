#include "support/support.h"

#include <filesystem>
#include <fstream>

static constexpr VideoState SETUP_VIDEO = {640, 480, 16, 0, 0, 1, 1};  // as the program fills it

void EnsureGlWindow() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return;
    videoState = SETUP_VIDEO;
    ApplyVideoLibraryHints();
    // Alpha bits, so that the tests can see the alpha the frame keeps.
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0 ||
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8) != 0 || !SetVideoModeFromState())
        throw std::runtime_error(std::string("no OpenGL window: ") + SDL_GetError());
    GenerateTextureNames();
}

void ResetRecords() {
    ResetHardwareConfig();
    ResetInputState();
    ResetWidgetTable();
    ResetTextEntry();
    ResetTextureImages();
    colourSliderList = ColourSliderList{};
    keyNameTable = KeyNameTable{};
    colourPickerOpen = 0;
    videoState = SETUP_VIDEO;
}

TempWorkDir::TempWorkDir() : previous(std::filesystem::current_path()) {
    path = std::filesystem::temp_directory_path() / "quillon-test-XXXXXX";
    if (!mkdtemp(&path[0]) || chdir(path.c_str()) != 0)
        std::abort();
    chmod(path.c_str(), 0755);  // other users' runs (setpriv) reach it too
}

TempWorkDir::~TempWorkDir() {
    std::filesystem::current_path(previous);  // no way on from elsewhere: it ends the run
    const std::string remove = "chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
    if (std::system(remove.c_str()) != 0)
        std::perror("remove the temporary directory");
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return bool(std::ofstream(path, std::ios::binary) << bytes << std::flush);
}

::testing::AssertionResult SameBytes(const std::string& want, const std::string& got) {
    return SamePixels(Pixels(want.begin(), want.end()), Pixels(got.begin(), got.end()), 0);
}

::testing::AssertionResult SamePixels(const Pixels& want, const Pixels& got, int width) {
    size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at])
        at++;
    if (want == got)
        return ::testing::AssertionSuccess();
    auto value = [&](const Pixels& p) {
        char text[16] = "the end";
        if (at < p.size())
            std::snprintf(
                text, sizeof text, width ? "0x%08x" : "0x%02x", width ? p[at] : p[at] & 255);
        return std::string(text);
    };
    const std::string place =
        width ? "x=" + std::to_string(at % width) + " y=" + std::to_string(at / width)
              : "byte " + std::to_string(at);
    return ::testing::AssertionFailure()
           << "first difference at " << place << ": want " << value(want) << ", got " << value(got);
}

Pixels ReadGlLevel(uint32_t name, int level) {
    GLint size[2] = {0, 0};
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &size[0]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &size[1]);
    Pixels out(size_t(size[0]) * size_t(size[1]));
    if (!out.empty())
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

int TexParam(uint32_t name, unsigned parameter) {
    GLint v = -1;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &v);
    return v;
}

int Frame::At(int x, int y, int channel) const {
    return rgba[(size_t(479 - y) * 640 + x) * 4 + channel];
}

Frame TakeFrame() {
    Frame frame = {std::vector<uint8_t>(640 * 480 * 4)};
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    glClear(GL_COLOR_BUFFER_BIT);
    SetupFrameState();
    return frame;
}

void InputFrame(const std::vector<int>& keys, bool left, int mx, int my) {
    std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
    std::memset(inputState.keys, 0, sizeof inputState.keys);
    for (int32_t k : keys)
        inputState.keys[k] = 1;
    inputState.previousMouse = inputState.mouse;
    inputState.mouse = {mx, my, left ? 1 : 0, 0, 0, 0, 0, 0};
}

void FieldScreenFrame(
    void* const targets[4], const std::vector<int>& keys, bool left, int mx, int my) {
    InputFrame(keys, left, mx, my);
    widgetTable.count = 0;
    AddWidget("Done", 4, 4, 16, 1, 1, 1);
    AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_ESCAPE);
    const char* labels[] = {"Value:", "Count:", "Scale:", "Name:...."};
    for (int i = 0; i < 4; i++) {
        AddWidget(labels[i], 100, 200 + i * 32, 16, 1, 1, 1);
        AttachBehaviour(BEHAVIOUR_INT_ENTRY + i, targets[i]);
        AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_F1 + i);
    }
    UpdateWidgets();
}

std::string EncodedConfig() {
    uint8_t out[CONFIG_V4_BYTES];
    EncodeHardwareConfig(out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

std::string FirstRunFile() {
    ResetHardwareConfig();
    LoadHardwareConfigFrom("no-such-file.cfg");
    CompleteHeightFromWidth();
    return EncodedConfig();
}

ProgramRun RunProgram(const std::string& name,
                      std::vector<std::string> args,
                      const std::string& prefix) {
    const std::string out = "/tmp/quillon-run." + std::to_string(getpid());  // and out + ".err"
    std::string command = prefix + "'" QUILLON_BINARY_DIR "/" + name + "'";
    for (const std::string& a : args)
        command += " '" + a + "'";  // no argument of the tests holds a quote
    const int status = std::system((command + " >" + out + " 2>" + out + ".err").c_str());
    ProgramRun run = {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                      ReadFileBytes(out),
                      ReadFileBytes(out + ".err")};
    unlink(out.c_str());
    unlink((out + ".err").c_str());
    return run;
}
