#include "support/support.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

void EnsureGlWindow() {
    static bool open = false;
    if (open) return;
    videoState = VideoState{640, 480, 16, 0, 0, 1, 1};
    ApplyVideoLibraryHints();
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0 || !SetVideoModeFromState()) {
        std::fprintf(stderr, "no OpenGL window: %s\n", SDL_GetError());
        std::abort();
    }
    GenerateTextureNames();
    open = true;
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
    videoState = VideoState{640, 480, 16, 0, 0, 1, 1};
}

TempWorkDir::TempWorkDir() {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) previous = cwd;
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillon-test-XXXXXX";
    if (!mkdtemp(&pattern[0]) || chdir(pattern.c_str()) != 0) std::abort();
    chmod(pattern.c_str(), 0755);   // other users' runs (setpriv) reach it too
    path = pattern;
}

TempWorkDir::~TempWorkDir() {
    if (chdir(previous.c_str()) != 0) std::perror("chdir back");
    if (std::system(("chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'").c_str()) != 0)
        std::perror("remove the temporary directory");
}

std::string ReadFileBytes(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string Le(uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; i++) s += char(v >> (8 * i));
    return s;
}

uint32_t Bits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

std::vector<uint32_t> ReadGlLevel(uint32_t name, int level, int* width, int* height) {
    glBindTexture(GL_TEXTURE_2D, name);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    std::vector<uint32_t> out(size_t(w) * size_t(h));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!out.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    if (width) *width = w;
    if (height) *height = h;
    return out;
}

int TexParam(uint32_t name, unsigned parameter) {
    GLint v = -1;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &v);
    return v;
}

int Frame::At(int x, int y, int channel) const { return rgba[(size_t(479 - y) * 640 + x) * 4 + channel]; }

long Frame::Sum(int x, int y, int w, int h, int channel) const {
    long sum = 0;
    for (int py = std::max(y, 0); py < std::min(y + h, 480); py++)
        for (int px = std::max(x, 0); px < std::min(x + w, 640); px++) sum += At(px, py, channel);
    return sum;
}

Frame TakeFrame() {
    Frame frame;
    frame.rgba.resize(size_t(640) * 480 * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.rgba.data());
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    SetupFrameState();
    return frame;
}

void InputFrame(const std::vector<int32_t>& keys, bool left, int32_t mx, int32_t my) {
    std::memcpy(inputState.previousKeys, inputState.keys, sizeof inputState.keys);
    std::memset(inputState.keys, 0, sizeof inputState.keys);
    for (int32_t k : keys) inputState.keys[k] = 1;
    inputState.previousMouse = inputState.mouse;
    inputState.mouse = MouseState{mx, my, left ? 1 : 0, 0, 0, 0, 0, 0};
}

ProgramRun RunProgram(const std::string& name, std::vector<std::string> args) {
    const char* dir = std::getenv("QUILLON_BINARY_DIR");
    std::string command = "'" + std::string(dir && *dir ? dir : QUILLON_BINARY_DIR) + "/" + name + "'";
    for (const std::string& a : args) command += " '" + a + "'";   // no argument of the tests holds a quote
    int status = std::system((command + " >/tmp/quillon-run.out.$PPID 2>/tmp/quillon-run.err.$PPID").c_str());
    const std::string tag = std::to_string(getpid());
    ProgramRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes("/tmp/quillon-run.out." + tag), ReadFileBytes("/tmp/quillon-run.err." + tag)};
    unlink(("/tmp/quillon-run.out." + tag).c_str()), unlink(("/tmp/quillon-run.err." + tag).c_str());
    return run;
}
