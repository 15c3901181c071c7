#include "desktop/footer_setting.h"

#include <system_error>

namespace morvanex {

bool FooterSetting::write(std::string_view value) const
{
    // Made here only: a folder that cannot be made shows as a failed write.
    std::error_code ignored;
    std::filesystem::create_directories(m_file.parent_path(), ignored);
    return writeFile(value);
}

} // namespace morvanex
