#ifndef MAPBENCH_H
#define MAPBENCH_H

namespace Bench {

// The world map redrawn after a resize, as a dragged dock edge makes it:
// the projection tables, the shading, the spots and the repaint, for both
// projections, with 1000 rows on the map and the packaged Earth pictures.
// Reports the slowest and the median redraw (wall clock and the thread's
// CPU time). Needs a QApplication.
bool benchMapResize();

// The live window at 50 spots/s twice, the map dock hidden and then shown
// at 800 × 800, with a share of a core for each and their difference.
bool benchMapLive(int iCount);

} // namespace Bench

#endif // MAPBENCH_H
