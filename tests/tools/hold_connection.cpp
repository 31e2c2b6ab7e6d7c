// Keeps a database connection open until its standard input closes: a second
// user of a database, for tests of what the engine refuses while one is.
//
// Usage: hold_connection "<OLE DB connection string>"
// Prints "connected" once the connection is open; exit status 1 when it fails.
#include "connection.h"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: hold_connection \"<connection string>\"\n");
        return 2;
    }
    qz::data::Connection connection;
    if (const qz::Status opened = connection.Open(argv[1]); !opened) {
        std::fprintf(stderr, "hold_connection: %s\n", opened.Failure().what());
        return 1;
    }
    std::printf("connected\n");
    std::fflush(stdout);
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    connection.Close();
    return 0;
}
