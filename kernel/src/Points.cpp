#include <gkern/Points.h>

MbFloatPoint::MbFloatPoint(double x, double y) : x(static_cast<float>(x)), y(static_cast<float>(y)) {}

MbFloatVector3D::~MbFloatVector3D() = default;
