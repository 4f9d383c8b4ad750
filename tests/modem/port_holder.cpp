// SPDX-License-Identifier: GPL-3.0-or-later
// A second program for the port tests: opens COM port <n> with its own port object, says "opened" or
// "refused", holds the port until a line arrives on its input, then closes it and ends.
#include "modem/ModemPort.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    miravo::ModemPort port;
    port.setPortNumber(std::stoi(argv[1]));
    const miravo::Outcome opened = port.open();
    if (opened.ok())
        std::printf("opened\n");
    else
        std::printf("refused %s\n", qPrintable(opened.reason()));
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    port.close();
    return 0;
}
