#include <cstdio>

int main()
{
    std::fputs("usage: morvanex-cli <command> [options]\n", stderr);
    return 64;
}
