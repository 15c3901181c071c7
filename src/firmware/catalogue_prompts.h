#pragma once

#include <string_view>

namespace morvanex {

// What the catalogue asks of the operator while it loads: to read a message. Texts are Windows-1252
// bytes.
class CataloguePrompts
{
public:
    virtual ~CataloguePrompts() = default;

    // A modal error message with an OK button.
    virtual void showError(std::string_view caption, std::string_view message) = 0;
};

} // namespace morvanex
