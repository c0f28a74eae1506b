// What counts as a hand template: the one rule behind Import, Synchronize, Export and zelctl.
#include "zel/workflows/UserTransfer.h"

#include <gtest/gtest.h>

namespace zel::workflows {
namespace {

TEST(UserTransferTest, ATemplateIsAnyByteThatIsNotZero)
{
    const struct {
        std::vector<std::uint8_t> Hand;
        bool Counts;
    } cases[] = {
        {{}, false},
        {std::vector<std::uint8_t>(9, 0), false}, // what a clock gives back for a user sent without one
        {{0, 0, 0, 0, 0, 0, 0, 0, 1}, true},
        {{1, 0, 0, 0, 0, 0, 0, 0, 0}, true},
        {std::vector<std::uint8_t>(9, 0xFF), true},
        {{0, 0, 0}, false}, // a short all-zero one
    };
    for (const auto& c : cases)
        EXPECT_EQ(HasTemplate(c.Hand), c.Counts) << ::testing::PrintToString(c.Hand);
}

} // namespace
} // namespace zel::workflows
