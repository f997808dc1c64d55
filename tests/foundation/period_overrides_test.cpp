#include "foundation/Period_Overrides.h"

#include <gtest/gtest.h>

using std::chrono::milliseconds;

TEST(PeriodOverrides, OnlyWellFormedNamedPeriodsChangeAnything)
{
    const Period_Overrides given("heartbeat=250,offline=x,=40,negative=-5,trailing=7ms,,twice=1,twice=2");
    milliseconds period{10000};
    given.apply("heartbeat", &period);
    EXPECT_EQ(period, milliseconds(250));
    for (const char* ignored : {"offline", "", "negative", "trailing", "absent"}) {
        milliseconds kept{10000};
        given.apply(ignored, &kept);
        EXPECT_EQ(kept, milliseconds(10000)) << ignored;
    }
    given.apply("twice", &period);
    EXPECT_EQ(period, milliseconds(2));

    milliseconds production{30000};
    Period_Overrides(nullptr).apply("heartbeat", &production);
    EXPECT_EQ(production, milliseconds(30000));
}
