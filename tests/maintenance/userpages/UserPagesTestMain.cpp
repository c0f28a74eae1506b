#include "UserSite.h"

int main(int argc, char** argv)
{
    return zel::ui::test::RunSiteTests(argc, argv, [] { zel::ui::test::UserSite::Get(); });
}
