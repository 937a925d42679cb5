#include "gui/app/viewer_app.h"

int main(int argc, char** argv) { return drv::RunViewer(argc, argv); }
