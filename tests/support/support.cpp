#include "support/support.h"

#include <fstream>

void EnsureGlWindow() {
    static bool open = false;
    if (open)
        return;
    videoState = VideoState{640, 480, 16, 0, 0, 1, 1}, ApplyVideoLibraryHints();
    const bool started = SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) == 0;
    if (!started || SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8) != 0 || !SetVideoModeFromState())
        std::fprintf(stderr, "no OpenGL window: %s\n", SDL_GetError()), std::abort();
    GenerateTextureNames(), open = true;
}

void ResetRecords() {
    ResetHardwareConfig(), ResetInputState(), ResetWidgetTable(), ResetTextEntry(),
        ResetTextureImages();
    colourSliderList = ColourSliderList{}, keyNameTable = KeyNameTable{}, colourPickerOpen = 0;
    videoState = VideoState{640, 480, 16, 0, 0, 1, 1};
}

TempWorkDir::TempWorkDir() {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd))
        previous = cwd;
    const char* base = std::getenv("TMPDIR");
    path = std::string(base && *base ? base : "/tmp") + "/quillon-test-XXXXXX";
    if (!mkdtemp(&path[0]) || chdir(path.c_str()) != 0)
        std::abort();
    chmod(path.c_str(), 0755);  // other users' runs (setpriv) reach it too
}

TempWorkDir::~TempWorkDir() {
    if (chdir(previous.c_str()) != 0)
        std::perror("chdir back");
    if (std::system(("chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str()) !=
        0)
        std::perror("remove the temporary directory");
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    return out.write(bytes.data(), std::streamsize(bytes.size())), out.close(), !out.fail();
}

std::string FirstDifference(const std::string& got, const std::string& want) {
    const auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    if (g == got.end() && w == want.end())
        return "";
    std::ostringstream out;
    out << "first difference at byte " << (g - got.begin()) << ": got "
        << (g == got.end() ? std::string("the end") : std::to_string(uint8_t(*g))) << ", want "
        << (w == want.end() ? std::string("the end") : std::to_string(uint8_t(*w))) << " (sizes "
        << got.size() << " and " << want.size() << ")";
    return out.str();
}

std::vector<uint32_t> ReadGlLevel(uint32_t name, int level) {
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, name), glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w),
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    if (!out.empty())
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

int TexParam(uint32_t name, unsigned parameter) {
    GLint v = -1;
    return glBindTexture(GL_TEXTURE_2D, name), glGetTexParameteriv(GL_TEXTURE_2D, parameter, &v), v;
}

int ExpandFormat(char* line, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = ExpandPrintFormat(line, size, format, args);
    return va_end(args), n;
}

std::vector<uint32_t> ReferenceFont(const void* file, size_t size) {
    std::vector<uint32_t> out(256 * 256, 0x00FFFFFFu);
    for (size_t row = 0, pos = 56; row < 128; row++)
        for (size_t x = 0; x < 256; x++, pos += 3)
            out[(127 - row) * 256 + x] =
                pos < size ? 0x00FFFFFFu | uint32_t(static_cast<const uint8_t*>(file)[pos]) << 24
                           : 0xFFFFFFFFu;
    return out;
}

int Frame::At(int x, int y, int channel) const {
    return rgba[(size_t(479 - y) * 640 + x) * 4 + channel];
}

long Frame::Sum(int x, int y, int w, int h, int channel) const {
    long sum = 0;
    for (int py = std::max(y, 0); py < std::min(y + h, 480); py++)
        for (int px = std::max(x, 0); px < std::min(x + w, 640); px++)
            sum += At(px, py, channel);
    return sum;
}

Frame TakeFrame() {
    Frame frame;
    frame.rgba.resize(size_t(640) * 480 * 4);
    glFinish(), glPixelStorei(GL_PACK_ALIGNMENT, 1),
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    glClearColor(0, 0, 0, 0), glClear(GL_COLOR_BUFFER_BIT), SetupFrameState();
    return frame;
}

void InputFrame(const std::vector<int32_t>& keys, bool left, int32_t mx, int32_t my) {
    std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys),
        std::memset(inputState.keys, 0, sizeof inputState.keys);
    for (int32_t k : keys)
        inputState.keys[k] = 1;
    inputState.previousMouse = inputState.mouse,
    inputState.mouse = MouseState{mx, my, left ? 1 : 0, 0, 0, 0, 0, 0};
}

void FieldScreenFrame(
    void* const targets[4], const std::vector<int32_t>& keys, bool left, int32_t mx, int32_t my) {
    InputFrame(keys, left, mx, my), widgetTable.count = 0;
    AddWidget("Done", 4, 4, 16, 1, 1, 1), AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_ESCAPE);
    const char* labels[] = {"Value:", "Count:", "Scale:", "Name:...."};
    for (int i = 0; i < 4; i++)
        AddWidget(labels[i], 100, 200 + i * 32, 16, 1, 1, 1),
            AttachBehaviour(BEHAVIOUR_INT_ENTRY + i, targets[i]),
            AttachBehaviour(BEHAVIOUR_HOTKEY, SDLK_F1 + i);
    UpdateWidgets();
}

std::string EncodedConfig() {
    uint8_t out[CONFIG_V4_BYTES];
    return EncodeHardwareConfig(out), std::string(reinterpret_cast<char*>(out), sizeof out);
}

std::string FirstRunFile() {
    return ResetHardwareConfig(), LoadHardwareConfigFrom("no-such-file.cfg"),
           CompleteHeightFromWidth(), EncodedConfig();
}

ProgramRun RunProgram(const std::string& name,
                      std::vector<std::string> args,
                      const std::string& prefix) {
    const char* dir = std::getenv("QUILLON_BINARY_DIR");
    const std::string out = "/tmp/quillon-run.out." + std::to_string(getpid()),
                      err = "/tmp/quillon-run.err." + std::to_string(getpid());
    std::string command =
        prefix + "'" + std::string(dir && *dir ? dir : QUILLON_BINARY_DIR) + "/" + name + "'";
    for (const std::string& a : args)
        command += " '" + a + "'";  // no argument of the tests holds a quote
    const int status = std::system((command + " >" + out + " 2>" + err).c_str());
    ProgramRun run{
        WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(out), ReadFileBytes(err)};
    return unlink(out.c_str()), unlink(err.c_str()), run;
}

std::string FirstDifferingByte(const std::string& want, const std::string& got) {
    const size_t n = std::min(want.size(), got.size());
    const size_t at =
        size_t(std::mismatch(want.begin(), want.begin() + n, got.begin()).first - want.begin());
    char text[128] = "";
    if (at < n)
        std::snprintf(text,
                      sizeof text,
                      "byte %zu: want 0x%02x, got 0x%02x",
                      at,
                      unsigned(uint8_t(want[at])),
                      unsigned(uint8_t(got[at])));
    else if (want.size() != got.size())
        std::snprintf(text, sizeof text, "want %zu bytes, got %zu", want.size(), got.size());
    return text;
}
