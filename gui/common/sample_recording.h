#pragma once
// The sample maker draws without widgets; the viewer's tests and benchmarks reach it here too.
#include "draw/sample/sample_recording.h"
