// Writes an empty event database at the path given: the build places one
// beside the programs, since neither program creates the database itself.
#include <cstdio>
#include <string>

#include "eventdb/event_database.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!zelkor::eventdb::CreateEventDatabase(argv[1], &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
