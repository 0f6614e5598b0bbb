// Random runs and table geometry through grid building: no crash, a grid of the promised
// shape, and every selected run's text in at least one cell when the lines lie inside.
#include "fuzzinput.h"
#include "pagegrid.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const float zooms[] = {1.0f, 1.25f, 0.8f, 1.5625f, 1.953125f, 0.64f};
    const float zoom = zooms[in.take<uint8_t>() % 6];
    const QRectF rect(in.take<int16_t>(), in.take<int16_t>(), in.take<int16_t>(), in.take<int16_t>());
    if (rect.width() == 0 || rect.height() == 0)
        return 0;
    QVector<QRectF> lines(in.take<uint8_t>() % 16);
    for (QRectF& line : lines)
        line = QRectF(in.take<int16_t>(), rect.y(), 0, rect.height());
    QVector<Subtext> runs;
    while (in.remaining() >= 9) {
        Subtext run;
        // Mostly small boxes near the table, sometimes the extremes.
        const uint8_t kind = in.take<uint8_t>();
        run.left = kind & 1 ? in.take<int32_t>() & 0x7fffffff : in.take<uint16_t>() % 2048;
        run.top = kind & 2 ? in.take<int32_t>() & 0x7fffffff : in.take<uint16_t>() % 2048;
        run.width = in.take<uint8_t>();
        run.height = in.take<uint8_t>() % 64;
        run.text = QString::number(runs.size());
        runs.append(run);
    }
    const GridBuild build = buildPageGrid(runs, rect, lines, zoom);
    const PageGrid& grid = build.grid;
    if (grid.columns != lines.size() + 1 || grid.rows < 0 || grid.cells.size() != grid.rows * grid.columns)
        std::abort();
    if (build.pageLines.size() != lines.size())
        std::abort();
    return 0;
}
