#include "EventSite.h"

int main(int argc, char** argv)
{
    return zel::ui::test::RunSiteTests(argc, argv, [] { zel::ui::test::EventSite::Get(); });
}
