#include "zel/Event.h"

#include <gtest/gtest.h>

#include <memory>

TEST(Event, SubscriptionEndsWhenDropped)
{
    zel::Event<int> ev;
    int sum = 0;
    {
        auto sub = ev.Subscribe([&](int v) { sum += v; });
        ev.Raise(2);
        EXPECT_EQ(ev.HandlerCount(), 1u);
    }
    ev.Raise(5);
    EXPECT_EQ(sum, 2);
    EXPECT_EQ(ev.HandlerCount(), 0u);
}

TEST(Event, HandlerMayUnsubscribeOthersWhileRaised)
{
    zel::Event<> ev;
    int first = 0, second = 0;
    zel::Subscription b;
    auto a = ev.Subscribe([&] {
        ++first;
        b.Reset();
    });
    b = ev.Subscribe([&] { ++second; });
    ev.Raise();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

TEST(Event, SubscriptionOutlivingTheEventIsHarmless)
{
    zel::Subscription sub;
    {
        auto ev = std::make_unique<zel::Event<>>();
        sub = ev->Subscribe([] {});
    }
    sub.Reset();
    EXPECT_FALSE(sub.Active());
}
