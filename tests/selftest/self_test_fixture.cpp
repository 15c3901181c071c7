#include "self_test_fixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace morvanex::test {

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "morvanex-selftest-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void ScratchFolder::write(const std::filesystem::path& relative, const std::string& bytes) const
{
    const auto full = m_path / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << bytes;
}

std::string ScratchFolder::read(const std::filesystem::path& relative) const
{
    std::ifstream in(m_path / relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> pseudoRandomImage(std::size_t size, std::uint32_t seed)
{
    std::mt19937 engine(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(engine());
    return bytes;
}

} // namespace morvanex::test
