// Checks COUNT documents into the register FILE with CNPJ CNPJ, flushing every few checks, as one of
// several processes sharing a register does. Used by the register's tests.
//   register_writer FILE COUNT CNPJ

#include "register/file_register.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    using namespace morvanex;
    if (argc != 4)
        return 64;
    const std::string cnpj = argv[3];
    const long count = std::strtol(argv[2], nullptr, 10);
    std::string error;
    const auto reg = openFileRegister(std::filesystem::path(argv[1]), {}, &error);
    if (!reg) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    unsigned state = static_cast<unsigned>(cnpj.back());
    for (long i = 0; i < count; ++i) {
        char coo[24];
        std::snprintf(coo, sizeof coo, "%06ld", i);
        CheckRecord record;
        record.checkedAt = 1765000000 + i;
        record.station = "writer";
        record.user = cnpj;
        record.code = std::string(48, 'A');
        record.document = {"AB12", "4A0B12", coo, "6933C340"};
        record.cnpj = cnpj;
        record.firmwareFile = "ARGOS210.BIN";
        // Blocks of a few records, of changing length, so writers interleave in many ways.
        state = state * 1103515245u + 12345u;
        if (!reg->check(record, &error) || ((state >> 16) % 4 == 0 && !reg->flush(&error))) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    if (!reg->flush(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
