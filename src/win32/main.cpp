#include "settings/app_names.h"
#include "win32/app_context.h"
#include "win32/main_window.h"
#include "win32/win_text.h"

#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

// Longer than any path the system hands out.
constexpr DWORD longestPath = 32768;

std::string programPath()
{
    std::wstring path(longestPath, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), longestPath));
    return morvanex::utf8FromWide(path);
}

std::filesystem::path workingDirectory()
{
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : here;
}

} // namespace

// The application: names from the program file, the workspace from the working directory, and the
// main window run modally; that run is the whole life of the program.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const std::string baseName = morvanex::baseNameOf(programPath());
    morvanex::AppContext context(baseName, morvanex::profileFilePath(baseName), workingDirectory());
    morvanex::MainWindow window(context);
    window.run(nullptr);
    window.stopSelfTests();
    return 0;
}
