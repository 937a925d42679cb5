#pragma once
// The one place where the windows and menu entries beyond the recorder's own controls join the
// main window. Each feature is an object parented to the window that adds its own entries to
// the window's menus and listens to its signals; a new feature adds its files and one line here.
namespace drv {

class MainWindow;

void InstallFeatures(MainWindow& window);

}  // namespace drv
