#pragma once

#include <optional>

#include "platform/foundation/date.hpp"

namespace sonaris::platform::foundation {

// The user's calendar, for component arithmetic on dates.
class Calendar {
  public:
    enum class Component { second, minute, hour, day };

    static Calendar current();

    // The date `value` units of `component` after `date`; nothing when the result is not a
    // representable date (the input is not finite, or the input or the result lies beyond about
    // a billion years from the reference date).
    std::optional<Date> date(Component component, int value, Date date,
                             bool wrappingComponents = false) const;
};

}  // namespace sonaris::platform::foundation
