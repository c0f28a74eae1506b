#include "Zelctl.h"

#include <iostream>

int main(int argc, char** argv)
{
    return zel::cli::RunZelctl(argc, argv, std::cout, std::cerr);
}
