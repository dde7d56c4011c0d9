// Everything the geometric kernel offers its callers.
#pragma once

#include <gkern/ExceptionMode.h>
#include <gkern/Matrices.h>
#include <gkern/Points.h>
#include <gkern/PointerArrays.h>
#include <gkern/SArray.h>
