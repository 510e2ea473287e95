#ifndef MAINWINDOWBENCH_H
#define MAINWINDOWBENCH_H

namespace Bench {

// MainWindow::onNewSpot into a spot table that is already full (1000 rows),
// with colour, icon, balloon and sound alerts on some spots: spots per
// second, offscreen. Needs a QApplication and private settings folders.
bool benchMainWindow(int iCount);

} // namespace Bench

#endif // MAINWINDOWBENCH_H
