// The project's version, as the build stamps it.
#pragma once

// "MAJOR.MINOR.PATCH" of this build.
const char* QuillonVersion();
