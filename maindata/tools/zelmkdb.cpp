// zelmkdb: makes a new, empty site database (tables Users, Readers and Channels), as a file or in
// an empty PostgreSQL database.
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/SiteName.h"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        std::cerr << "Usage: zelmkdb <path>\n"
                     "       zelmkdb postgresql://[user@]host[:port]/database\n"
                     "Makes a new, empty site database at <path> (for example "
                  << zel::data::DefaultDatabaseFileName
                  << "), readable and writable by its owner only.\n"
                     "An existing file is never overwritten.\n"
                     "Given a PostgreSQL connection URI, makes the site's tables in that database, which must\n"
                     "not hold them yet. The password comes from libpq's own places (~/.pgpass, PGPASSWORD,\n"
                     "a service file); it is never printed.\n";
        return argc == 2 ? 0 : 2;
    }
    const std::string site = argv[1];
    try {
        zel::data::DataSource::CreateDatabase(site);
    } catch (const zel::Error& e) {
        std::cerr << "zelmkdb: " << e.Description() << " (error " << e.Number() << ")\n";
        return 1;
    }
    std::cout << "Created the site database " << zel::data::MaskedSite(site) << "\n";
    return 0;
}
