#pragma once

namespace drv {
// Start-up of the viewer process: single-instance check, main window, event loop.
int RunViewer(int argc, char** argv);
}
