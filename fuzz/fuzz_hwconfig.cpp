// Any bytes as hwconfig.cfg: the load never fails, the save writes what was
// loaded, and loading the saved file gives the same record back (apart from
// the two parameter words a version-4 file always resets).
#include <cstring>
#include <string>

#include "app/hwconfig.h"
#include "fuzz/fuzz_support.h"

namespace {

struct Records {
    HardwareConfig config;
    ConfigParameterBlock block;
    uint32_t trailer;
};

Records Take() { return Records{hardwareConfig, configParameterBlock, configTrailer}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = EnterFuzzDirectory() + "/" + CONFIG_FILE_NAME;
    ResetHardwareConfig();
    LoadHardwareConfigFromBytes(data, size);
    Records loaded = Take();
    if (!SaveHardwareConfigTo(path.c_str())) FuzzFail("save failed");
    ResetHardwareConfig();
    LoadHardwareConfigFrom(path.c_str());
    Records reloaded = Take();
    if (configLoadReport.version != CONFIG_VERSION || configLoadReport.bytesRead != CONFIG_V4_BYTES)
        FuzzFail("the saved file is not a whole version-4 file");
    if (std::memcmp(&loaded.config, &reloaded.config, sizeof loaded.config) != 0 ||
        loaded.trailer != reloaded.trailer)
        FuzzFail("configuration changed through save and reload");
    // Version 4 always sets words 24 and 25 on load; every other word survives.
    loaded.block.words[24] = reloaded.block.words[24];
    loaded.block.words[25] = reloaded.block.words[25];
    if (std::memcmp(&loaded.block, &reloaded.block, sizeof loaded.block) != 0)
        FuzzFail("parameter block changed through save and reload");
    if (reloaded.block.words[24] != 0.9f || reloaded.block.words[25] != 0.65f)
        FuzzFail("version 4 did not set words 24 and 25");
    return 0;
}
