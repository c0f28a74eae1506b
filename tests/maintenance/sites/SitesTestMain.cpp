#include "SiteFixture.h"

// No site is open at the start: every case opens (and leaves) its own.
int main(int argc, char** argv)
{
    return zel::ui::test::RunSiteTests(argc, argv, [] {});
}
