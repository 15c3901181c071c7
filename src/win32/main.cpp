#include "desktop/app_context.h"
#include "desktop/wide_text.h"
#include "win32/main_window.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

// Longer than any path the system hands out.
constexpr DWORD longestPath = 32768;

std::string programPath()
{
    std::wstring path(longestPath, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), longestPath));
    return morvanex::utf8FromWide(path);
}

} // namespace

// The application: names from the program file, the workspace from the working directory, and the
// main window run modally; that run is the whole life of the program.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    morvanex::AppContext context(programPath());
    morvanex::win32::runMainWindow(context);
    return 0;
}
