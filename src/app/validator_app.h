#pragma once

#include "app/app_context.h"

#include <string>

namespace morvanex {

// The application object: derives the names from the program file and runs the main window
// modally; that run is the whole life of the program.
class ValidatorApp
{
public:
    // programPath: the program file; the working directory is the workspace.
    explicit ValidatorApp(const std::string& programPath);

    // Runs the main window until it closes. Always false: there is nothing to run afterwards.
    bool startUp();

    AppContext& context() { return m_context; }

private:
    AppContext m_context;
};

} // namespace morvanex
