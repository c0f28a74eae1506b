// zelmkdb: makes a new, empty site database (tables Users, Readers and Channels).
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cerr << "Usage: zelmkdb <path>\n"
                     "Makes a new, empty site database at <path> (for example "
                  << zel::data::DefaultDatabaseFileName
                  << "), readable and writable by its owner only.\n"
                     "An existing file is never overwritten.\n";
        return argc == 2 ? 0 : 2;
    }
    try {
        zel::data::DataSource::CreateDatabase(argv[1]);
    } catch (const zel::Error& e) {
        std::cerr << "zelmkdb: " << e.Description() << " (error " << e.Number() << ")\n";
        return 1;
    }
    std::cout << "Created the site database " << argv[1] << "\n";
    return 0;
}
