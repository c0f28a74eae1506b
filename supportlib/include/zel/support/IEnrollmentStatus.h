#pragma once

#include "zel/support/EnrollmentStatusType.h"

namespace zel::support {

// Progress of an enrollment, implemented by the caller. Called synchronously on the thread
// that runs EnrollUser, inside that call.
class IEnrollmentStatus {
public:
    virtual ~IEnrollmentStatus() = default;

    virtual void Update(EnrollmentStatusType& status) = 0;
    virtual void BeginEnrollment() = 0;
    virtual void EndEnrollment() = 0;
    virtual void Aborted() = 0;
    virtual void Timeout() = 0;
};

} // namespace zel::support
