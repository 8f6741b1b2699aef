// SPDX-License-Identifier: GPL-3.0-or-later
// Makes one step of every record write fail with one errno value, for as long
// as the object lives, through the record store's test-only fault seam.
#pragma once

#include "anodix/tubedb/tuberecord.h"

class InjectedWriteFault
{
public:
    InjectedWriteFault(anodix::detail::WriteStep step, int error)
    {
        s_step = step;
        s_error = error;
        anodix::detail::setWriteFaultForTesting(&fail);
    }
    ~InjectedWriteFault() { anodix::detail::setWriteFaultForTesting(nullptr); }
    InjectedWriteFault(const InjectedWriteFault &) = delete;
    InjectedWriteFault &operator=(const InjectedWriteFault &) = delete;

private:
    static int fail(anodix::detail::WriteStep step) { return step == s_step ? s_error : 0; }
    static inline anodix::detail::WriteStep s_step = anodix::detail::WriteStep::Write;
    static inline int s_error = 0;
};
