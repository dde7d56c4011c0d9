// A COM object for tests that counts its references. It never deletes itself: a test owns it (usually on
// the stack) and checks after the code under test that every AddRef was matched by one Release.
#pragma once

#include "DispatchObject.h"

class CountingObject final : public TestSupport::DispatchObject {};
