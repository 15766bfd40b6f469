// Any bytes as hwconfig.cfg: the load never fails, the save writes what was
// loaded, and loading the saved file gives the same records back (apart from
// the two parameter words a version-4 file always resets).
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = EnterFuzzDirectory() + "/" + CONFIG_FILE_NAME;
    ResetHardwareConfig();
    LoadHardwareConfigFromBytes(data, size);
    const HardwareConfig config = hardwareConfig;
    ConfigParameterBlock block = configParameterBlock;
    const uint32_t trailer = configTrailer;
    if (!SaveHardwareConfigTo(path.c_str()))
        FuzzFail("save failed");
    ResetHardwareConfig();
    LoadHardwareConfigFrom(path.c_str());
    if (configLoadReport.version != CONFIG_VERSION || configLoadReport.bytesRead != CONFIG_V4_BYTES)
        FuzzFail("the saved file is not a whole version-4 file");
    if (std::memcmp(&config, &hardwareConfig, sizeof config) || trailer != configTrailer)
        FuzzFail("configuration changed through save and reload");
    if (configParameterBlock.words[24] != 0.9f || configParameterBlock.words[25] != 0.65f)
        FuzzFail("version 4 did not set words 24 and 25");
    block.words[24] = 0.9f;  // every other word survives
    block.words[25] = 0.65f;
    if (std::memcmp(&block, &configParameterBlock, sizeof block))
        FuzzFail("parameter block changed through save and reload");
    return 0;
}
