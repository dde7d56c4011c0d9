// The methods of the automation object Host: thin adapters from what a script sends to the library and
// back. Each takes its arguments in the script's order (with its own name, from the Host object's
// dispatch table, for its errors) and returns what the script receives.
#pragma once

#include "DispatchObject.h"
#include "Stopwatch.h"

#include <WindowsUtilsHostKit.h>

// Adds up the time one method call spends inside the library.
class LibraryClock {
public:
    template <typename Call>
    decltype(auto) Time(Call&& call) {
        struct Lap {
            LibraryClock& clock;
            Stopwatch watch;
            ~Lap() { clock.ticks += watch.Ticks(); }
        } lap{*this, {}};
        return call();
    }
    double Seconds() const { return Stopwatch::Seconds(ticks); }

private:
    LONGLONG ticks = 0;
};

using HostMethod = _variant_t (*)(MethodArguments arguments, LibraryClock& clock);

_variant_t Points(MethodArguments arguments, LibraryClock& clock);
_variant_t Move(MethodArguments arguments, LibraryClock& clock);
_variant_t Numbers(MethodArguments arguments, LibraryClock& clock);
_variant_t Integers(MethodArguments arguments, LibraryClock& clock);
_variant_t Flags(MethodArguments arguments, LibraryClock& clock);
_variant_t Texts(MethodArguments arguments, LibraryClock& clock);
_variant_t Values(MethodArguments arguments, LibraryClock& clock);
_variant_t Font(MethodArguments arguments, LibraryClock& clock);
