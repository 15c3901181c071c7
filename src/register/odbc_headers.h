#pragma once

// The ODBC API: on Windows its headers need the system's types first.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
