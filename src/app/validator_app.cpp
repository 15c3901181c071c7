#include "app/validator_app.h"

#include "app/main_dialog.h"
#include "settings/app_names.h"

#include <filesystem>

namespace morvanex {
namespace {

std::filesystem::path workingDirectory()
{
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : here;
}

} // namespace

ValidatorApp::ValidatorApp(const std::string& programPath)
    : m_context(baseNameOf(programPath), profileFilePath(baseNameOf(programPath)), workingDirectory())
{
}

bool ValidatorApp::startUp()
{
    MainDialog window(m_context);
    window.exec();
    window.stopSelfTests();
    return false;
}

} // namespace morvanex
