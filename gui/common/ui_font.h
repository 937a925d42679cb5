#pragma once
// The windows share the font of the drawing library's pictures.
#include "draw/common/ui_font.h"
