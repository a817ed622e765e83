// Ordalis_P3D: live air traffic for a running flight simulator.
#include <cstdio>

int main()
{
    std::puts("Ordalis_P3D");
    return 0;
}
