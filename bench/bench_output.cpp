// Rows for what the engine writes or lists: screenshots, the sorted file list,
// the settings save, and one frame of the settings screen.
#include <SDL.h>
#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/hwconfig.h"
#include "app/setup_screen.h"
#include "bench/bench_support.h"
#include "bench/peers.h"
#include "platform/video.h"
#include "render/filelist.h"
#include "render/screenshot.h"

namespace {

constexpr const char* SHOT_NAME = "scsht000.bmp";
constexpr int LISTED_FILES = 1500;

std::vector<uint8_t> ReadWhole(const char* path) {
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
        uint8_t block[65536];
        size_t got;
        while ((got = std::fread(block, 1, sizeof block, f)) > 0)
            bytes.insert(bytes.end(), block, block + got);
        std::fclose(f);
    }
    return bytes;
}

// ---- screenshot -----------------------------------------------------------

struct ShotFixture {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> capture;   // R,G,B,A bottom row first
    std::vector<uint8_t> rgb;       // R,G,B bottom row first
    std::vector<uint8_t> finished;  // the engine's file, for the limit row
};

// Puts noise on the screen so that every written pixel carries information.
void ShowNoise() {
    std::mt19937 random(7);
    std::vector<uint32_t> noise(size_t(SCREENSHOT_MAX_WIDTH) * SCREENSHOT_MAX_HEIGHT);
    for (uint32_t& w : noise)
        w = random() | 0xFF000000u;
    glViewport(0, 0, SCREENSHOT_MAX_WIDTH, SCREENSHOT_MAX_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glRasterPos2f(-1.0f, -1.0f);
    glDrawPixels(
        SCREENSHOT_MAX_WIDTH, SCREENSHOT_MAX_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, noise.data());
    SDL_GL_SwapBuffers();
    glFinish();
}

void ReadFront(std::vector<uint8_t>& out, int32_t width, int32_t height, GLenum format) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_FRONT);
    glReadPixels(0, 0, width, height, format, GL_UNSIGNED_BYTE, out.data());
}

void EngineShot(ShotFixture& f) {
    videoState.width = f.width;
    videoState.height = f.height;
    SaveScreenshot();
    unlink(SHOT_NAME);
}

void StbShot(ShotFixture& f) {
    ReadFront(f.rgb, f.width, f.height, GL_RGB);
    StbWriteBmp(SHOT_NAME, f.rgb.data(), f.width, f.height);
    unlink(SHOT_NAME);
}

void ByteShot(ShotFixture& f) {
    ReadFront(f.capture, f.width, f.height, GL_RGBA);
    ByteWriterSaveBmp(SHOT_NAME, f.capture.data(), f.width, f.height);
    unlink(SHOT_NAME);
}

void LimitShot(ShotFixture& f) {
    ReadFront(f.capture, f.width, f.height, GL_RGBA);
    if (FILE* out = std::fopen(SHOT_NAME, "wb")) {
        std::fwrite(f.finished.data(), 1, f.finished.size(), out);
        std::fclose(out);
    }
    unlink(SHOT_NAME);
}

// The engine's file, written once and kept as the reference.
std::vector<uint8_t> EngineFile(ShotFixture& f) {
    videoState.width = f.width;
    videoState.height = f.height;
    unlink(SHOT_NAME);
    SaveScreenshot();
    std::vector<uint8_t> bytes = ReadWhole(SHOT_NAME);
    unlink(SHOT_NAME);
    return bytes;
}

RowCheck CheckPeerFile(ShotFixture& f, bool stb) {
    std::vector<uint8_t> engine = EngineFile(f);
    bool painted = false;
    for (size_t i = 54; i < engine.size() && !painted; i++)
        painted = engine[i] != 0;
    if (stb) {
        ReadFront(f.rgb, f.width, f.height, GL_RGB);
        StbWriteBmp(SHOT_NAME, f.rgb.data(), f.width, f.height);
    } else {
        ReadFront(f.capture, f.width, f.height, GL_RGBA);
        ByteWriterSaveBmp(SHOT_NAME, f.capture.data(), f.width, f.height);
    }
    std::vector<uint8_t> peer = ReadWhole(SHOT_NAME);
    unlink(SHOT_NAME);
    RowCheck check;
    if (!painted) {
        check.matches = false;
        check.remark = "the front buffer reads back black";
        return check;
    }
    size_t differing = 0, firstDiffering = 0;
    for (size_t i = 0; i < engine.size() && i < peer.size(); i++)
        if (engine[i] != peer[i] && differing++ == 0)
            firstDiffering = i;
    bool sameSize = engine.size() == peer.size();
    // stbi_write_bmp leaves the header's image-size field (bytes 34..37) zero.
    bool onlyImageSize =
        differing > 0 && differing <= 4 && firstDiffering >= 34 && firstDiffering < 38;
    check.matches = sameSize && (differing == 0 || (stb && onlyImageSize));
    if (!check.matches)
        check.remark = "file bytes differ";
    else if (differing)
        check.remark = "pixels identical; header image-size field left 0";
    return check;
}

void RegisterShotRows(int32_t width, int32_t height) {
    auto f = std::make_shared<ShotFixture>();
    f->width = width;
    f->height = height;
    f->capture.assign(size_t(width) * height * 4, 0);
    f->rgb.assign(size_t(width) * height * 3, 0);
    std::string group = "screenshot/" + std::to_string(width) + "x" + std::to_string(height);
    AddRow(
        group,
        "SaveScreenshot",
        [f] {
            EngineShot(*f);
        },
        [f] {
            ShowNoise();
            f->finished = EngineFile(*f);
            RowCheck check;
            check.matches = f->finished.size() == 54 + size_t(f->width) * f->height * 3;
            if (!check.matches)
                check.remark = "the engine wrote no file";
            return check;
        });
    AddRow(
        group,
        "stbi_write_bmp",
        [f] {
            StbShot(*f);
        },
        [f] {
            return CheckPeerFile(*f, true);
        });
    AddRow(
        group,
        "fputc per byte",
        [f] {
            ByteShot(*f);
        },
        [f] {
            return CheckPeerFile(*f, false);
        });
    AddRow(
        group,
        "glReadPixels+fwrite (limit)",
        [f] {
            LimitShot(*f);
        },
        [f] {
            f->finished = EngineFile(*f);
            return RowCheck();
        },
        width == 1280 ? "limit<=2.5" : "");
}

// ---- file list ------------------------------------------------------------

std::string MakeListDirectory() {
    std::string dir = BenchDirectory() + "/list";
    mkdir(dir.c_str(), 0777);
    std::mt19937 random(3);
    for (int i = 0; i < LISTED_FILES; i++) {
        char name[64];
        std::snprintf(
            name, sizeof name, "%s/t%06u_%d.bmp", dir.c_str(), unsigned(random() % 1000000), i);
        int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd >= 0)
            close(fd);
    }
    return dir;
}

RowCheck CheckList(const std::string& dir) {
    std::vector<FileListEntry> list(FILE_LIST_MAX + 1);
    ListFiles((dir + "/*.*").c_str(), list.data(), 0);
    int count = 0;
    bool sorted = true;
    for (; count <= FILE_LIST_MAX && list[count].name[0]; count++)
        if (count > 0 && std::strcmp(list[count - 1].name, list[count].name) > 0)
            sorted = false;
    RowCheck check;
    check.matches =
        sorted && count == FILE_LIST_MAX && ScandirAlphasort(dir.c_str()) == LISTED_FILES;
    check.remark = check.matches ? "the list holds its first 1024 names" : "lists differ";
    return check;
}

void RegisterListRows() {
    auto dir = std::make_shared<std::string>(MakeListDirectory());
    auto list = std::make_shared<std::vector<FileListEntry>>(FILE_LIST_MAX + 1);
    std::string pattern = *dir + "/*.*";
    AddRow(
        "filelist/1500",
        "ListFiles *.*",
        [list, pattern] {
            ListFiles(pattern.c_str(), list->data(), 0);
        },
        [dir] {
            return CheckList(*dir);
        });
    AddRow("filelist/1500", "scandir+alphasort", [dir] {
        ScandirAlphasort(dir->c_str());
    });
    AddRow(
        "filelist/1500",
        "readdir alone (limit)",
        [dir] {
            ReaddirCount(dir->c_str());
        },
        nullptr,
        "limit<=1.5");
}

// ---- settings save and frame ---------------------------------------------

void RegisterSaveRows() {
    auto path = std::make_shared<std::string>(BenchDirectory() + "/" + CONFIG_FILE_NAME);
    AddRow("settings save", "SaveHardwareConfig (atomic)", [path] {
        SaveHardwareConfigTo(path->c_str());
    });
    AddRow(
        "settings save",
        "fopen+fwrite overwrite",
        [path] {
            uint8_t bytes[CONFIG_V4_BYTES];
            EncodeHardwareConfig(bytes);
            PlainOverwrite(path->c_str(), bytes, sizeof bytes);
        },
        [path] {
            uint8_t bytes[CONFIG_V4_BYTES];
            EncodeHardwareConfig(bytes);
            SaveHardwareConfigTo(path->c_str());
            std::vector<uint8_t> atomic = ReadWhole(path->c_str());
            PlainOverwrite(path->c_str(), bytes, sizeof bytes);
            RowCheck check;
            check.matches = atomic == ReadWhole(path->c_str()) && atomic.size() == CONFIG_V4_BYTES;
            if (!check.matches)
                check.remark = "files differ";
            return check;
        });
}

// The settings screen replaces the bench window with its own 640x480 one, so
// it starts on first use and these rows run last.
void EnsureSetupScreen() {
    static bool started = false;
    if (started)
        return;
    if (!StartSetup())
        std::exit(1);
    colourPickerOpen = 1;
    started = true;
}

void RegisterFrameRows() {
    AddRow(
        "settings frame",
        "RunSetupFrame (picker open)",
        [] {
            RunSetupFrame();
            glFinish();
        },
        [] {
            EnsureSetupScreen();
            return RowCheck();
        });
    AddRow(
        "settings frame",
        "glClear+swap alone",
        [] {
            glClear(GL_COLOR_BUFFER_BIT);
            SDL_GL_SwapBuffers();
            glFinish();
        },
        [] {
            EnsureSetupScreen();
            return RowCheck();
        });
}

}  // namespace

void RegisterOutputRows() {
    RegisterShotRows(640, 480);
    RegisterShotRows(1280, 960);
    RegisterListRows();
    RegisterSaveRows();
    RegisterFrameRows();
}
