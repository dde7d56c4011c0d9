// Wine's <sal.h>, with the annotations the standard library uses that it lacks (all empty, as for
// any compiler that does not analyse them).
#pragma once

#include_next <sal.h>

#define _Analysis_assume_(expression)
#define _Check_return_opt_
#define _Field_z_
#define _Guarded_by_(lock)
#define _Pre_satisfies_(condition)
#define _Inout_bytecount_(size)
