#pragma once
#include "support/support.h"
