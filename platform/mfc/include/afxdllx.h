// Stand-in for <afxdllx.h>: everything an extension module's entry point needs.
#pragma once

#include "afxwin.h"
