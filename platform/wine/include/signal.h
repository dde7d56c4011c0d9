// Wine's <signal.h>, with the sig_atomic_t that the Universal CRT declares and <csignal> names.
#pragma once

#include_next <signal.h>

typedef int sig_atomic_t;
