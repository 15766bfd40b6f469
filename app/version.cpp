#include "app/version.h"

const char* QuillonVersion() {
    return QUILLON_VERSION;
}
