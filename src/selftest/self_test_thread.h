#pragma once

// The desktop faces' include until they name selftest_thread.h; goes with their rewrite.
#include "selftest/selftest_thread.h"
