// SPDX-License-Identifier: GPL-3.0-or-later
// Makes one step of every durable write fail with one errno value, for as long
// as the object lives, through the writer's test-only fault seam.
#pragma once

#include "common/durablewriter.h"

class InjectedWriteFault
{
public:
    InjectedWriteFault(common::detail::WriteStep step, int error)
    {
        s_step = step;
        s_error = error;
        common::detail::setWriteFaultForTesting(&fail);
    }
    ~InjectedWriteFault() { common::detail::setWriteFaultForTesting(nullptr); }
    InjectedWriteFault(const InjectedWriteFault &) = delete;
    InjectedWriteFault &operator=(const InjectedWriteFault &) = delete;

private:
    static int fail(common::detail::WriteStep step) { return step == s_step ? s_error : 0; }
    static inline common::detail::WriteStep s_step = common::detail::WriteStep::Write;
    static inline int s_error = 0;
};
