#pragma once

#include "zel/support/TimeZoneDaysEnum.h"
#include "zel/support/TimeZoneIntervalsEnum.h"

namespace zel::support {

// One entry of a clock's time-zone table: from StartInterval to StopInterval on the days of
// DaysEffective. All zero when made.
class TimeZoneElement {
public:
    TimeZoneIntervalsEnum StartInterval() const { return mStartInterval; }
    void SetStartInterval(TimeZoneIntervalsEnum value) { mStartInterval = value; }
    TimeZoneIntervalsEnum StopInterval() const { return mStopInterval; }
    void SetStopInterval(TimeZoneIntervalsEnum value) { mStopInterval = value; }
    TimeZoneDaysEnum DaysEffective() const { return mDaysEffective; }
    void SetDaysEffective(TimeZoneDaysEnum value) { mDaysEffective = value; }

private:
    TimeZoneIntervalsEnum mStartInterval = TimeZoneIntervalsEnum::Midnight;
    TimeZoneIntervalsEnum mStopInterval = TimeZoneIntervalsEnum::Midnight;
    TimeZoneDaysEnum mDaysEffective = static_cast<TimeZoneDaysEnum>(0);
};

} // namespace zel::support
