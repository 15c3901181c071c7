#include "synthetic_workspace.h"

#include "footer/footer_encoder.h"
#include "footer/prepared_image.h"

#include <fstream>
#include <random>
#include <unistd.h>
#include <utility>

namespace morvanex::bench {
namespace {

bool isSwappedModel(int i)
{
    return i % 10 == 0;
}

} // namespace

SyntheticWorkspace::SyntheticWorkspace(std::string_view name, int imageCount) : m_imageCount(imageCount)
{
    m_root = std::filesystem::temp_directory_path() /
             ("morvanex-" + std::string(name) + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(m_root / "TXT");
    std::filesystem::create_directories(m_root / "Bin");
    std::mt19937_64 gen(1);
    std::vector<std::uint64_t> chunk(imageSize / 8);
    for (int i = 0; i < imageCount; ++i) {
        for (auto& w : chunk)
            w = gen();
        std::ofstream(imagePath(i), std::ios::binary)
            .write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(imageSize));
        std::ofstream(m_root / "TXT" / ("fw" + std::to_string(i) + ".txt"))
            << "ARQUIVO: " << imagePath(i).filename().string()
            << "\nMODELO: " << (isSwappedModel(i) ? "ZQ-101 ORBITA" : "BENCH") << "\n";
    }
}

SyntheticWorkspace::~SyntheticWorkspace()
{
    std::error_code ec;
    std::filesystem::remove_all(m_root, ec);
}

std::filesystem::path SyntheticWorkspace::imagePath(int i) const
{
    return m_root / "Bin" / ("fw" + std::to_string(i) + ".bin");
}

std::vector<std::string> SyntheticWorkspace::validCodes(int count) const
{
    std::vector<std::string> codes(static_cast<std::size_t>(count));
    std::mt19937 gen(2);
    std::vector<std::uint8_t> image(imageSize);
    for (int i = 0; i < m_imageCount && i < count; ++i) {
        std::ifstream(imagePath(i), std::ios::binary)
            .read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(imageSize));
        if (isSwappedModel(i))
            for (std::size_t k = 0; k + 1 < image.size(); k += 2)
                std::swap(image[k], image[k + 1]);
        // Prepared once, so that many codes per image cost little to make.
        const auto prepared = PreparedImage::prepare(image);
        for (int n = i; n < count; n += m_imageCount)
            codes[static_cast<std::size_t>(n)] = *encodeFooter(*prepared, static_cast<std::uint32_t>(n),
                                                               "42020B", gen(), "0012.345.678/0001.95");
    }
    return codes;
}

} // namespace morvanex::bench
