#include <cstdio>

int main()
{
    std::fprintf(stderr, "usage: pixora-batch INPUT -o OUTPUT\n");
    return 2;
}
