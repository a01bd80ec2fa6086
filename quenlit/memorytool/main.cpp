#include "memorytool.h"

#include <iostream>

int main(int argc, char *argv[])
{
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = RunMemoryTool(arguments, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : 1;
}
