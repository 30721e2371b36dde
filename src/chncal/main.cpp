#include "chncal/ChncalTool.h"

#include <iostream>

int main(int argc, char **argv) {
    std::ios::sync_with_stdio(false);
    ChncalTool tool(std::cin, std::cout, std::cerr);
    const int status = tool.Run(std::vector<std::string>(argv + 1, argv + argc));
    std::cout.flush();
    return std::cout ? status : 1;
}
