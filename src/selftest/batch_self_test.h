#pragma once

// The desktop faces' include until they name batch_selftest.h; goes with their rewrite.
#include "selftest/batch_selftest.h"
